/* The enumeration of the encoder's `bitrate` property.
 *
 * Each value's integer is the bitrate in bit/s, so the encoder uses it
 * directly. The type is registered once, on the first call, and the same id is
 * returned to every caller on every thread. */
#ifndef ZEB_G719_BITRATE_H
#define ZEB_G719_BITRATE_H

#include <glib-object.h>

G_BEGIN_DECLS

#define ZEB_TYPE_G719_BITRATE (zeb_g719_bitrate_get_type ())

/* Returns the GType of the enum "ZebG719Bitrate" with the values 32000, 48000
 * and 64000 (bit/s). */
GType zeb_g719_bitrate_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_BITRATE_H */
