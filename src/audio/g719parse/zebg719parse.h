/* zebg719parse: splits a byte stream of back-to-back G.719 payloads (as
 * written by zebg719enc into a file) into one payload per buffer, with
 * timestamps, durations and "audio/G719, framed = true" caps that carry the
 * payload's bitrate. */
#ifndef ZEB_G719PARSE_ELEMENT_H
#define ZEB_G719PARSE_ELEMENT_H

#include <gst/base/gstbaseparse.h>
#include <gst/gst.h>

G_BEGIN_DECLS

#define ZEB_TYPE_G719_PARSE (zeb_g719_parse_get_type())
G_DECLARE_FINAL_TYPE(ZebG719Parse, zeb_g719_parse, ZEB, G719_PARSE, GstBaseParse)

/* Registers the element factory "zebg719parse" in plugin. */
gboolean zeb_g719_parse_register(GstPlugin *plugin);

G_END_DECLS

#endif /* ZEB_G719PARSE_ELEMENT_H */
