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
  /* Value of the `bitrate` property, bit/s; set from any thread, read with
   * atomic operations. */
  gint bitrate;
  /* Bitrate the running `encoder` was created with and the output caps
   * announce; it sizes the payloads and forms their table of contents. 0 when
   * there is no encoder. */
  gint32 active_bitrate;
  /* Set (atomically) when `bitrate` is set; the streaming thread takes it at
   * the next block and negotiates the new bitrate. */
  gint bitrate_changed;
};

struct _ZebG719EncClass {
  GstAudioEncoderClass parent_class;
};

/* Returns the GType of ZebG719Enc, registering it on the first call. */
GType zeb_g719_enc_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_ENC_H */
