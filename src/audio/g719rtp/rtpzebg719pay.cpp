/**
 * SECTION:element-rtpzebg719pay
 * @title: rtpzebg719pay
 * @see_also: rtpzebg719depay, zebg719enc
 *
 * Puts G.719 frames into RTP packets (RFC 5404, basic mode, one channel).
 * The input is what zebg719enc produces: one payload per buffer, a
 * one-entry table of contents and N frames (N = 1 from the encoder; any N is
 * taken, and a no-data payload, L = 0, becomes N empty 20 ms slots).
 *
 * A packet holds the frames of `ptime` (from the downstream caps; without it,
 * the `min-ptime` property, at least one frame), never more than `max-ptime`
 * (the property, or `maxptime` from the downstream caps) and never more than
 * fits the `mtu`. Its table of contents has one entry per run of frames of
 * equal length, so the bitrate may change from frame to frame. The RTP time
 * is that of the first frame (48000 Hz, 960 per frame), and the marker bit is
 * set on the first packet of a talk spurt: after start, a flush, a gap or a
 * discontinuity in the input. The caps state `max-red=0`: no redundancy is
 * sent.
 *
 * A payload whose table of contents is reserved, has several entries, or
 * does not match its size is dropped with a warning.
 *
 * ## Example pipelines
 * |[
 * gst-launch-1.0 audiotestsrc is-live=true ! audioconvert ! audioresample ! \
 *     audio/x-raw,rate=48000,channels=1 ! zebg719enc bitrate=64000 ! \
 *     rtpzebg719pay ! udpsink host=127.0.0.1 port=5004
 * ]| Sends a test tone as RTP, one 20 ms frame per packet.
 * |[
 * gst-launch-1.0 filesrc location=talk.g719 ! zebg719parse ! \
 *     rtpzebg719pay max-ptime=60000000 ! \
 *     application/x-rtp,ptime=(uint)60 ! udpsink host=127.0.0.1 port=5004
 * ]| Streams a .g719 file with three frames per packet.
 */
#include "rtpzebg719pay.h"

#include "plugin_metadata.h"

#include <gst/rtp/gstrtpbuffer.h>

#include "payload_toc.h"

GST_DEBUG_CATEGORY_STATIC (zeb_g719_rtp_pay_debug);
#define GST_CAT_DEFAULT zeb_g719_rtp_pay_debug

namespace {

constexpr GstClockTime kFrameDuration = zeb_g719::kFrameDurationNs;
/* Input more than this away from where the previous payload ended is a new
 * talk spurt. */
constexpr GstClockTime kDiscontTolerance = kFrameDuration / 2;

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/G719"));

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("application/x-rtp, media = (string) audio, "
        "payload = (int) [ 96, 127 ], clock-rate = (int) 48000, "
        "encoding-name = (string) G719"));

}  // namespace

G_DEFINE_TYPE (ZebG719RtpPay, zeb_g719_rtp_pay, GST_TYPE_RTP_BASE_PAYLOAD)

static void zeb_g719_rtp_pay_finalize (GObject * object);
static GstStateChangeReturn zeb_g719_rtp_pay_change_state (GstElement * element,
    GstStateChange transition);
static gboolean zeb_g719_rtp_pay_set_caps (GstRTPBasePayload * payload, GstCaps * caps);
static GstFlowReturn zeb_g719_rtp_pay_handle_buffer (GstRTPBasePayload * payload,
    GstBuffer * buffer);
static gboolean zeb_g719_rtp_pay_sink_event (GstRTPBasePayload * payload, GstEvent * event);

static void
zeb_g719_rtp_pay_class_init (ZebG719RtpPayClass * klass)
{
  GObjectClass *gobject_class = G_OBJECT_CLASS (klass);
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstRTPBasePayloadClass *payload_class = GST_RTP_BASE_PAYLOAD_CLASS (klass);

  GST_DEBUG_CATEGORY_INIT (zeb_g719_rtp_pay_debug, "rtpzebg719pay", 0,
      "G.719 RTP payloader");

  gobject_class->finalize = zeb_g719_rtp_pay_finalize;
  element_class->change_state = GST_DEBUG_FUNCPTR (zeb_g719_rtp_pay_change_state);
  payload_class->set_caps = GST_DEBUG_FUNCPTR (zeb_g719_rtp_pay_set_caps);
  payload_class->handle_buffer = GST_DEBUG_FUNCPTR (zeb_g719_rtp_pay_handle_buffer);
  payload_class->sink_event = GST_DEBUG_FUNCPTR (zeb_g719_rtp_pay_sink_event);

  gst_element_class_add_static_pad_template (element_class, &src_template);
  gst_element_class_add_static_pad_template (element_class, &sink_template);
  gst_element_class_set_static_metadata (element_class,
      "RTP G.719 payloader", "Codec/Payloader/Network/RTP",
      "Puts G.719 audio into RTP packets (RFC 5404)",
      ZEB_AUTHOR_AUDIO_TEAM);
}

static void
zeb_g719_rtp_pay_init (ZebG719RtpPay * self)
{
  gst_rtp_base_payload_set_options (GST_RTP_BASE_PAYLOAD (self), "audio", TRUE, "G719",
      zeb_g719::kRtpClockRate);
  self->frame_bytes = gst_adapter_new ();
  self->next_pts = GST_CLOCK_TIME_NONE;
  self->marker = TRUE;
}

static void
zeb_g719_rtp_pay_finalize (GObject * object)
{
  ZebG719RtpPay *self = ZEB_G719_RTP_PAY (object);
  g_clear_object (&self->frame_bytes);
  G_OBJECT_CLASS (zeb_g719_rtp_pay_parent_class)->finalize (object);
}

/* Forgets the packet being filled; the next packet starts a talk spurt. */
static void
zeb_g719_rtp_pay_reset (ZebG719RtpPay * self)
{
  self->frames = 0;
  gst_adapter_clear (self->frame_bytes);
  self->next_pts = GST_CLOCK_TIME_NONE;
  self->marker = TRUE;
}

static GstStateChangeReturn
zeb_g719_rtp_pay_change_state (GstElement * element, GstStateChange transition)
{
  ZebG719RtpPay *self = ZEB_G719_RTP_PAY (element);
  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
    zeb_g719_rtp_pay_reset (self);
    self->warned_mtu = FALSE;
  }
  const GstStateChangeReturn ret =
      GST_ELEMENT_CLASS (zeb_g719_rtp_pay_parent_class)->change_state (element, transition);
  if (transition == GST_STATE_CHANGE_PAUSED_TO_READY)
    zeb_g719_rtp_pay_reset (self);
  return ret;
}

static gboolean
zeb_g719_rtp_pay_set_caps (GstRTPBasePayload * payload, GstCaps * caps)
{
  const GstStructure *s = gst_caps_get_structure (caps, 0);
  gint channels = 1, rate = zeb_g719::kRtpClockRate;
  gst_structure_get_int (s, "channels", &channels);
  gst_structure_get_int (s, "rate", &rate);
  if (channels != 1 || rate != static_cast<gint> (zeb_g719::kRtpClockRate)) {
    GST_ELEMENT_ERROR (payload, STREAM, FORMAT,
        ("Only mono G.719 at 48000 Hz can be sent, not %d channels at %d Hz.", channels, rate),
        ("caps %" GST_PTR_FORMAT, caps));
    return FALSE;
  }
  /* No frame is ever sent twice. */
  return gst_rtp_base_payload_set_outcaps (payload, "max-red", G_TYPE_STRING, "0", nullptr);
}

/* Frames per packet: ptime from the downstream caps, else min-ptime, at
 * least one frame; capped by max-ptime (property or downstream maxptime). */
static guint
zeb_g719_rtp_pay_frames_per_packet (GstRTPBasePayload * payload)
{
  guint64 frames = 1;
  if (payload->ptime > 0)
    frames = payload->ptime / kFrameDuration;
  else if (payload->min_ptime > 0)
    frames = (payload->min_ptime + kFrameDuration - 1) / kFrameDuration;
  if (payload->max_ptime > 0)
    frames = MIN (frames, static_cast<guint64> (payload->max_ptime) / kFrameDuration);
  return static_cast<guint> (CLAMP (frames, guint64 (1), guint64 (zeb_g719::kMaxBlocksPerPacket)));
}

/* Sends the packet being filled, if any. */
static GstFlowReturn
zeb_g719_rtp_pay_flush (ZebG719RtpPay * self)
{
  if (self->frames == 0)
    return GST_FLOW_OK;
  GstRTPBasePayload *payload = GST_RTP_BASE_PAYLOAD (self);
  const std::span<const guint8> codes (self->length_codes, self->frames);
  const gsize toc_bytes = zeb_g719::basic_toc_bytes (codes);
  const gsize data_bytes = gst_adapter_available (self->frame_bytes);

  GstBuffer *out = gst_rtp_base_payload_allocate_output_buffer (payload,
      static_cast<guint> (toc_bytes + data_bytes), 0, 0);
  GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
  if (out == nullptr || !gst_rtp_buffer_map (out, GST_MAP_WRITE, &rtp)) {
    gst_clear_buffer (&out);
    zeb_g719_rtp_pay_reset (self);
    GST_ELEMENT_ERROR (self, RESOURCE, FAILED, ("Could not allocate an RTP packet."), (nullptr));
    return GST_FLOW_ERROR;
  }
  guint8 *data = static_cast<guint8 *> (gst_rtp_buffer_get_payload (&rtp));
  zeb_g719::write_basic_toc (codes, data);
  gst_adapter_copy (self->frame_bytes, data + toc_bytes, 0, data_bytes);
  gst_adapter_flush (self->frame_bytes, data_bytes);
  gst_rtp_buffer_set_marker (&rtp, self->marker);
  gst_rtp_buffer_unmap (&rtp);

  GST_BUFFER_PTS (out) = self->first_pts;
  GST_BUFFER_DURATION (out) = self->frames * kFrameDuration;
  GST_LOG_OBJECT (self, "packet of %u frames, %" G_GSIZE_FORMAT " bytes at %" GST_TIME_FORMAT,
      self->frames, toc_bytes + data_bytes, GST_TIME_ARGS (self->first_pts));
  self->marker = FALSE;
  self->frames = 0;
  return gst_rtp_base_payload_push (payload, out);
}

/* Adds one frame (length code 0 and no bytes: an empty slot), sending the
 * packet before it when the frame does not fit, and after it when full. */
static GstFlowReturn
zeb_g719_rtp_pay_add_frame (ZebG719RtpPay * self, GstBuffer * input, guint offset,
    guint length_code, GstClockTime pts)
{
  GstRTPBasePayload *payload = GST_RTP_BASE_PAYLOAD (self);
  const guint frame_bytes = zeb_g719::frame_bytes_for_length_code (length_code);
  const guint max_payload = gst_rtp_buffer_calc_payload_len (GST_RTP_BASE_PAYLOAD_MTU (payload), 0, 0);

  self->length_codes[self->frames] = static_cast<guint8> (length_code);
  const gsize needed = zeb_g719::basic_toc_bytes (
      std::span<const guint8> (self->length_codes, self->frames + 1)) +
      gst_adapter_available (self->frame_bytes) + frame_bytes;
  if (needed > max_payload && self->frames > 0) {
    const GstFlowReturn ret = zeb_g719_rtp_pay_flush (self);
    if (ret != GST_FLOW_OK)
      return ret;
    self->length_codes[0] = static_cast<guint8> (length_code);
  } else if (needed > max_payload && !self->warned_mtu) {
    GST_ELEMENT_WARNING (self, STREAM, ENCODE,
        ("The MTU of %u bytes is too small for one G.719 frame; packets exceed it.",
            GST_RTP_BASE_PAYLOAD_MTU (payload)), (nullptr));
    self->warned_mtu = TRUE;
  }

  if (self->frames == 0)
    self->first_pts = pts;
  self->frames++;
  if (frame_bytes > 0)
    gst_adapter_push (self->frame_bytes,
        gst_buffer_copy_region (input, GST_BUFFER_COPY_MEMORY, offset, frame_bytes));
  if (self->frames >= zeb_g719_rtp_pay_frames_per_packet (payload))
    return zeb_g719_rtp_pay_flush (self);
  return GST_FLOW_OK;
}

static GstFlowReturn
zeb_g719_rtp_pay_handle_buffer (GstRTPBasePayload * payload, GstBuffer * buffer)
{
  ZebG719RtpPay *self = ZEB_G719_RTP_PAY (payload);

  const gsize size = gst_buffer_get_size (buffer);
  guint8 toc_bytes[zeb_g719::kTocBytes] = {};
  gst_buffer_extract (buffer, 0, toc_bytes, sizeof toc_bytes);
  const zeb_g719::PayloadToc toc = zeb_g719::read_payload_toc (toc_bytes[0], toc_bytes[1]);

  /* A no-data payload is N empty slots and has no frame bytes. */
  const bool no_data = toc.status == zeb_g719::TocStatus::empty;
  const gsize expected = no_data ? zeb_g719::kTocBytes : toc.payload_bytes;
  const bool usable = toc.status == zeb_g719::TocStatus::valid || no_data;
  if (size < zeb_g719::kTocBytes || !usable || size != expected) {
    if (toc.status != zeb_g719::TocStatus::no_frames || size != zeb_g719::kTocBytes)
      GST_ELEMENT_WARNING (self, STREAM, FORMAT, ("Dropped a malformed G.719 payload."),
          ("%" G_GSIZE_FORMAT " bytes: %s", size, size < zeb_g719::kTocBytes
              ? "shorter than a table of contents"
              : usable ? "size does not match its table of contents"
                       : zeb_g719::toc_status_text (toc.status)));
    gst_buffer_unref (buffer);
    return GST_FLOW_OK;
  }

  GstClockTime pts = GST_BUFFER_PTS (buffer);
  if (!GST_CLOCK_TIME_IS_VALID (pts))
    pts = GST_CLOCK_TIME_IS_VALID (self->next_pts) ? self->next_pts : 0;
  const bool jumped = GST_CLOCK_TIME_IS_VALID (self->next_pts) &&
      (pts > self->next_pts + kDiscontTolerance || pts + kDiscontTolerance < self->next_pts);
  GstFlowReturn ret = GST_FLOW_OK;
  if (GST_BUFFER_IS_DISCONT (buffer) || jumped) {
    GST_DEBUG_OBJECT (self, "discontinuity at %" GST_TIME_FORMAT ": new talk spurt",
        GST_TIME_ARGS (pts));
    ret = zeb_g719_rtp_pay_flush (self);
    self->marker = TRUE;
  }
  for (guint k = 0; k < toc.frame_count && ret == GST_FLOW_OK; k++)
    ret = zeb_g719_rtp_pay_add_frame (self, buffer, zeb_g719::kTocBytes + k * toc.frame_bytes,
        toc.length_code, pts + k * kFrameDuration);
  self->next_pts = pts + toc.frame_count * kFrameDuration;
  gst_buffer_unref (buffer);
  return ret;
}

static gboolean
zeb_g719_rtp_pay_sink_event (GstRTPBasePayload * payload, GstEvent * event)
{
  ZebG719RtpPay *self = ZEB_G719_RTP_PAY (payload);
  switch (GST_EVENT_TYPE (event)) {
    case GST_EVENT_EOS:
      zeb_g719_rtp_pay_flush (self);
      break;
    case GST_EVENT_GAP:
      /* What follows the gap starts a new talk spurt. */
      zeb_g719_rtp_pay_flush (self);
      self->next_pts = GST_CLOCK_TIME_NONE;
      self->marker = TRUE;
      break;
    case GST_EVENT_FLUSH_STOP:
      zeb_g719_rtp_pay_reset (self);
      break;
    default:
      break;
  }
  return GST_RTP_BASE_PAYLOAD_CLASS (zeb_g719_rtp_pay_parent_class)->sink_event (payload, event);
}
