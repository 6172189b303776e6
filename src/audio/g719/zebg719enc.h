/* zebg719enc: 48 kHz mono S16LE audio in, one G.719 payload (two-byte table
 * of contents and one frame) per 960-sample block out. */
#ifndef ZEB_G719_ENC_H
#define ZEB_G719_ENC_H

#include <gst/gst.h>
#include <gst/audio/gstaudioencoder.h>

#include "frame/g719_codec.h"

G_BEGIN_DECLS

#define ZEB_TYPE_G719_ENC (zeb_g719_enc_get_type ())
#define ZEB_G719_ENC(obj) (G_TYPE_CHECK_INSTANCE_CAST ((obj), ZEB_TYPE_G719_ENC, ZebG719Enc))
#define ZEB_IS_G719_ENC(obj) (G_TYPE_CHECK_INSTANCE_TYPE ((obj), ZEB_TYPE_G719_ENC))

typedef struct _ZebG719Enc ZebG719Enc;
typedef struct _ZebG719EncClass ZebG719EncClass;

struct _ZebG719Enc {
  GstAudioEncoder parent;

  /* Codec instance, owned; NULL outside start .. stop. */
  G719EncoderState *encoder;
  /* Value of the `bitrate` property, bit/s. */
  gint32 bitrate;
  /* Bitrate the running `encoder` was created with; it sizes the payloads and
   * forms their table of contents, so a property change while running only
   * takes effect at the next start. 0 when there is no encoder. */
  gint32 active_bitrate;
};

struct _ZebG719EncClass {
  GstAudioEncoderClass parent_class;
};

/* Returns the GType of ZebG719Enc, registering it on the first call. */
GType zeb_g719_enc_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_ENC_H */
