/* zebg719dec: G.719 payloads (one-entry table of contents and N frames) in,
 * 48 kHz mono S16LE audio out, 960 samples per frame. */
#ifndef ZEB_G719_DEC_H
#define ZEB_G719_DEC_H

#include <gst/gst.h>
#include <gst/audio/gstaudiodecoder.h>

#include "frame/g719_codec.h"

G_BEGIN_DECLS

#define ZEB_TYPE_G719_DEC (zeb_g719_dec_get_type ())
#define ZEB_G719_DEC(obj) (G_TYPE_CHECK_INSTANCE_CAST ((obj), ZEB_TYPE_G719_DEC, ZebG719Dec))
#define ZEB_IS_G719_DEC(obj) (G_TYPE_CHECK_INSTANCE_TYPE ((obj), ZEB_TYPE_G719_DEC))

typedef struct _ZebG719Dec ZebG719Dec;
typedef struct _ZebG719DecClass ZebG719DecClass;

struct _ZebG719Dec {
  GstAudioDecoder parent;

  /* Codec instance, owned; NULL until the first payload and after stop. */
  G719DecoderState *decoder;
  /* Bitrate of `decoder` in bit/s, 0 when there is none. */
  gint32 bitrate;
  /* End (timestamp + duration) of the last buffer pushed downstream, where
   * concealment continues; GST_CLOCK_TIME_NONE before the first output of a
   * segment. */
  GstClockTime output_end;
  /* Set while concealed audio is being finished, so that it is stamped at
   * output_end. */
  gboolean concealing;
  /* A segment in bytes (an unframed stream) was refused and reported. */
  gboolean unframed;
};

struct _ZebG719DecClass {
  GstAudioDecoderClass parent_class;
};

/* Returns the GType of ZebG719Dec, registering it on the first call. */
GType zeb_g719_dec_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_DEC_H */
