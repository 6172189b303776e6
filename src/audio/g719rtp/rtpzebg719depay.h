/* rtpzebg719depay: RTP packets of G.719 (RFC 5404, basic and interleaved
 * mode) in, one payload per 20 ms frame out (a one-entry table of contents
 * and one frame, as zebg719dec takes it), missing frames as GAP events. */
#ifndef ZEB_G719_RTP_DEPAY_H
#define ZEB_G719_RTP_DEPAY_H

#include <gst/gst.h>
#include <gst/rtp/gstrtpbasedepayload.h>

#include "deinterleave_window.h"
#include "rtp_payload.h"

G_BEGIN_DECLS

#define ZEB_TYPE_G719_RTP_DEPAY (zeb_g719_rtp_depay_get_type ())
#define ZEB_G719_RTP_DEPAY(obj) \
  (G_TYPE_CHECK_INSTANCE_CAST ((obj), ZEB_TYPE_G719_RTP_DEPAY, ZebG719RtpDepay))

typedef struct _ZebG719RtpDepay ZebG719RtpDepay;
typedef struct _ZebG719RtpDepayClass ZebG719RtpDepayClass;

/* Counters of the `stats` structure, guarded by the object lock. */
struct ZebG719RtpDepayStats {
  guint64 packets_discarded;  /* malformed packets dropped whole */
  guint64 frames_pushed;
  guint64 frames_redundant;   /* copies of a slot dropped: already out, or a lower bitrate */
  guint64 frames_missing;     /* slots output as gaps: lost, or sent as no data */
  guint64 gap_events;
};

struct _ZebG719RtpDepay {
  GstRTPBaseDepayload parent;

  /* From the caps: interleaved mode and its de-interleaving depth (1 in
   * basic mode). */
  gboolean interleaved;
  guint depth;

  /* The stream's timeline: slot 0 is at RTP time origin_rtptime. */
  gboolean synced;
  guint32 ssrc;
  guint64 last_ext_rtptime;
  guint64 origin_rtptime;
  /* Time of the window's next slot (NONE until a packet has a PTS). */
  GstClockTime next_pts;
  /* The next frame pushed starts a new timeline. */
  gboolean discont;
  /* Missing slots not yet announced, starting at gap_pts. */
  guint64 gap_slots;
  GstClockTime gap_pts;

  ZebG719RtpDepayStats stats;
  zeb_g719::DeinterleaveWindow window;
  zeb_g719::RtpFrameBlock blocks[zeb_g719::kMaxBlocksPerPacket];
};

struct _ZebG719RtpDepayClass {
  GstRTPBaseDepayloadClass parent_class;
};

GType zeb_g719_rtp_depay_get_type (void);

G_END_DECLS

#endif /* ZEB_G719_RTP_DEPAY_H */
