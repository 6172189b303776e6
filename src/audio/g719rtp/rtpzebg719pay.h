/* rtpzebg719pay: G.719 payloads (a one-entry table of contents and N frames,
 * as zebg719enc writes them) in, RTP packets (RFC 5404, basic mode, mono)
 * out, several frames per packet as ptime, max-ptime and the MTU allow. */
#ifndef ZEB_G719_RTP_PAY_H
#define ZEB_G719_RTP_PAY_H

#include <gst/base/gstadapter.h>
#include <gst/gst.h>
#include <gst/rtp/gstrtpbasepayload.h>

#include "rtp_payload.h"

G_BEGIN_DECLS

#define ZEB_TYPE_G719_RTP_PAY (zeb_g719_rtp_pay_get_type ())
#define ZEB_G719_RTP_PAY(obj) \
  (G_TYPE_CHECK_INSTANCE_CAST ((obj), ZEB_TYPE_G719_RTP_PAY, ZebG719RtpPay))

typedef struct _ZebG719RtpPay ZebG719RtpPay;
typedef struct _ZebG719RtpPayClass ZebG719RtpPayClass;

struct _ZebG719RtpPay {
  GstRTPBasePayload parent;

  /* Frames of the packet being filled: their length codes (0 = no data),
   * their bytes back to back, the time of the first one. */
  guint8 length_codes[zeb_g719::kMaxBlocksPerPacket];
  guint frames;
  GstAdapter *frame_bytes;
  GstClockTime first_pts;
  /* Where the next input frame is expected (NONE before the first). */
  GstClockTime next_pts;
  /* The next packet starts a talk spurt: marker bit set. */
  gboolean marker;
  /* A frame larger than the MTU allows was sent once already. */
  gboolean warned_mtu;
};

struct _ZebG719RtpPayClass {
  GstRTPBasePayloadClass parent_class;
};

GType zeb_g719_rtp_pay_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_RTP_PAY_H */
