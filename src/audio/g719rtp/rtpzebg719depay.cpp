/**
 * SECTION:element-rtpzebg719depay
 * @title: rtpzebg719depay
 * @see_also: rtpzebg719pay, zebg719dec, rtpjitterbuffer
 *
 * Extracts G.719 frames from RTP packets (RFC 5404) and outputs one buffer
 * per 20 ms frame, in the form zebg719dec takes: a one-entry table of
 * contents (length code L, one frame) and the frame's bytes, with its own
 * timestamp and a duration of 20 ms.
 *
 * Every table-of-contents entry of a packet is read, in basic mode or, when
 * the caps carry `interleaving` (the SDP parameter), in interleaved mode.
 * The table of contents is checked against the packet size before any frame
 * byte is touched; a packet with a reserved length code, an entry without
 * frames, or a size that does not match its table of contents is discarded
 * whole with a warning.
 *
 * Frames come out in decoding order. In interleaved mode they wait in a
 * window of `interleaving` frame-blocks until every earlier one has arrived
 * or can no longer arrive. A copy of a frame that was already pushed is
 * dropped; of two copies still waiting, the one at the higher bitrate is
 * kept.
 *
 * Frames that are missing (packets lost, or slots sent as no data) become GAP
 * events of exactly their duration, which `zebg719dec plc=true` conceals.
 * Losses show up when the next packet arrives, from the RTP timestamps, and
 * in basic mode as soon as rtpjitterbuffer (do-lost=true) reports them.
 *
 * Only mono streams are taken: caps with more than one channel are refused.
 *
 * The `frame-stats` property counts frames pushed, redundant and missing,
 * GAP events and discarded packets.
 *
 * ## Example pipelines
 * |[
 * gst-launch-1.0 udpsrc port=5004 caps="application/x-rtp, media=audio, \
 *     clock-rate=48000, encoding-name=G719, payload=96" ! \
 *     rtpjitterbuffer do-lost=true latency=100 ! rtpzebg719depay ! \
 *     zebg719dec plc=true ! audioconvert ! autoaudiosink
 * ]| Receives a G.719 stream and plays it, concealing lost packets.
 * |[
 * gst-launch-1.0 udpsrc port=5004 caps="application/x-rtp, media=audio, \
 *     clock-rate=48000, encoding-name=G719, payload=97, interleaving=(string)10" ! \
 *     rtpjitterbuffer do-lost=true ! rtpzebg719depay ! zebg719dec plc=true ! \
 *     wavenc ! filesink location=received.wav
 * ]| Receives an interleaved stream into a WAV file.
 */
#include "rtpzebg719depay.h"

#include "plugin_metadata.h"

#include <gst/rtp/gstrtpbuffer.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "payload_toc.h"

GST_DEBUG_CATEGORY_STATIC (zeb_g719_rtp_depay_debug);
#define GST_CAT_DEFAULT zeb_g719_rtp_depay_debug

namespace {

constexpr GstClockTime kFrameDuration = zeb_g719::kFrameDurationNs;
/* A packet more than this many slots away from the next expected one, ahead
 * or behind, starts a new timeline instead of a 10 s gap or a late copy: the
 * sender restarted or jumped. */
constexpr gint64 kMaxSlotJump = 500;

enum {
  PROP_0,
  PROP_FRAME_STATS,
};

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("application/x-rtp, media = (string) audio, "
        "clock-rate = (int) 48000, encoding-name = (string) G719"));

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/G719, rate = (int) 48000, channels = (int) 1"));

/* A caps field that SDP carries as a string ("2") but a caps string may give
 * as a number. */
enum class FieldValue { absent, number, invalid };

FieldValue
caps_uint_field (const GstStructure * s, const char *name, guint64 * value)
{
  const GValue *v = gst_structure_get_value (s, name);
  if (v == nullptr)
    return FieldValue::absent;
  if (G_VALUE_HOLDS_INT (v)) {
    if (g_value_get_int (v) < 0)
      return FieldValue::invalid;
    *value = static_cast<guint64> (g_value_get_int (v));
    return FieldValue::number;
  }
  if (G_VALUE_HOLDS_UINT (v)) {
    *value = g_value_get_uint (v);
    return FieldValue::number;
  }
  if (G_VALUE_HOLDS_STRING (v) && g_value_get_string (v) != nullptr) {
    const char *text = g_value_get_string (v);
    char *end = nullptr;
    if (!g_ascii_isdigit (text[0]))
      return FieldValue::invalid;
    *value = g_ascii_strtoull (text, &end, 10);
    return *end == '\0' ? FieldValue::number : FieldValue::invalid;
  }
  return FieldValue::invalid;
}

}  // namespace

G_DEFINE_TYPE (ZebG719RtpDepay, zeb_g719_rtp_depay, GST_TYPE_RTP_BASE_DEPAYLOAD)

static void zeb_g719_rtp_depay_get_property (GObject * object, guint prop_id,
    GValue * value, GParamSpec * pspec);
static GstStateChangeReturn zeb_g719_rtp_depay_change_state (GstElement * element,
    GstStateChange transition);
static gboolean zeb_g719_rtp_depay_set_caps (GstRTPBaseDepayload * base, GstCaps * caps);
static GstBuffer *zeb_g719_rtp_depay_process (GstRTPBaseDepayload * base, GstRTPBuffer * rtp);
static gboolean zeb_g719_rtp_depay_packet_lost (GstRTPBaseDepayload * base, GstEvent * event);
static gboolean zeb_g719_rtp_depay_handle_event (GstRTPBaseDepayload * base, GstEvent * event);

static void
zeb_g719_rtp_depay_class_init (ZebG719RtpDepayClass * klass)
{
  GObjectClass *gobject_class = G_OBJECT_CLASS (klass);
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstRTPBaseDepayloadClass *depay_class = GST_RTP_BASE_DEPAYLOAD_CLASS (klass);

  GST_DEBUG_CATEGORY_INIT (zeb_g719_rtp_depay_debug, "rtpzebg719depay", 0,
      "G.719 RTP depayloader");

  gobject_class->get_property = zeb_g719_rtp_depay_get_property;

  /**
   * rtpzebg719depay:frame-stats:
   *
   * Counters since the element started: packets-discarded (malformed
   * packets dropped whole), frames-pushed, frames-redundant (copies of a
   * frame that were dropped), frames-missing (20 ms slots output as gaps) and
   * gap-events.
   */
  g_object_class_install_property (gobject_class, PROP_FRAME_STATS,
      g_param_spec_boxed ("frame-stats", "Frame statistics",
          "Counters since start: packets-discarded, frames-pushed, frames-redundant, "
          "frames-missing (20 ms slots sent as gaps), gap-events",
          GST_TYPE_STRUCTURE, static_cast<GParamFlags> (G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

  element_class->change_state = GST_DEBUG_FUNCPTR (zeb_g719_rtp_depay_change_state);
  depay_class->set_caps = GST_DEBUG_FUNCPTR (zeb_g719_rtp_depay_set_caps);
  depay_class->process_rtp_packet = GST_DEBUG_FUNCPTR (zeb_g719_rtp_depay_process);
  depay_class->packet_lost = GST_DEBUG_FUNCPTR (zeb_g719_rtp_depay_packet_lost);
  depay_class->handle_event = GST_DEBUG_FUNCPTR (zeb_g719_rtp_depay_handle_event);

  gst_element_class_add_static_pad_template (element_class, &src_template);
  gst_element_class_add_static_pad_template (element_class, &sink_template);
  gst_element_class_set_static_metadata (element_class,
      "RTP G.719 depayloader", "Codec/Depayloader/Network/RTP",
      "Extracts G.719 audio from RTP packets (RFC 5404)",
      ZEB_AUTHOR_AUDIO_TEAM);
}

/* Forgets the stream's timeline and drops whatever waits in the window. */
static void
zeb_g719_rtp_depay_reset_stream (ZebG719RtpDepay * self)
{
  self->window.reset (0, self->depth);
  self->synced = FALSE;
  self->last_ext_rtptime = GST_CLOCK_TIME_NONE;
  self->next_pts = GST_CLOCK_TIME_NONE;
  self->discont = TRUE;
  self->gap_slots = 0;
}

static void
zeb_g719_rtp_depay_init (ZebG719RtpDepay * self)
{
  new (&self->window) zeb_g719::DeinterleaveWindow ();
  self->depth = 1;
  zeb_g719_rtp_depay_reset_stream (self);
}

static void
count (ZebG719RtpDepay * self, guint64 ZebG719RtpDepayStats::*field, guint64 n = 1)
{
  GST_OBJECT_LOCK (self);
  self->stats.*field += n;
  GST_OBJECT_UNLOCK (self);
}

static void
zeb_g719_rtp_depay_get_property (GObject * object, guint prop_id, GValue * value,
    GParamSpec * pspec)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (object);
  switch (prop_id) {
    case PROP_FRAME_STATS: {
      GST_OBJECT_LOCK (self);
      const ZebG719RtpDepayStats s = self->stats;
      GST_OBJECT_UNLOCK (self);
      g_value_take_boxed (value, gst_structure_new ("application/x-rtp-g719-depay-stats",
              "packets-discarded", G_TYPE_UINT64, s.packets_discarded,
              "frames-pushed", G_TYPE_UINT64, s.frames_pushed,
              "frames-redundant", G_TYPE_UINT64, s.frames_redundant,
              "frames-missing", G_TYPE_UINT64, s.frames_missing,
              "gap-events", G_TYPE_UINT64, s.gap_events, nullptr));
      break;
    }
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, prop_id, pspec);
      break;
  }
}

static GstStateChangeReturn
zeb_g719_rtp_depay_change_state (GstElement * element, GstStateChange transition)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (element);

  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
    GST_OBJECT_LOCK (self);
    self->stats = ZebG719RtpDepayStats{};
    GST_OBJECT_UNLOCK (self);
    zeb_g719_rtp_depay_reset_stream (self);
  }
  const GstStateChangeReturn ret =
      GST_ELEMENT_CLASS (zeb_g719_rtp_depay_parent_class)->change_state (element, transition);
  if (transition == GST_STATE_CHANGE_PAUSED_TO_READY)
    zeb_g719_rtp_depay_reset_stream (self);
  return ret;
}

/* Announces the missing slots collected so far as one GAP event. */
static void
zeb_g719_rtp_depay_push_gap (ZebG719RtpDepay * self)
{
  if (self->gap_slots == 0)
    return;
  const guint64 slots = self->gap_slots;
  self->gap_slots = 0;
  count (self, &ZebG719RtpDepayStats::frames_missing, slots);

  GstPad *srcpad = GST_RTP_BASE_DEPAYLOAD_SRCPAD (self);
  GstEvent *segment = gst_pad_get_sticky_event (srcpad, GST_EVENT_SEGMENT, 0);
  if (segment == nullptr || !GST_CLOCK_TIME_IS_VALID (self->gap_pts)) {
    /* Nothing has gone out yet, or the stream has no timestamps: there is no
     * place in time to put the gap. */
    GST_DEBUG_OBJECT (self, "%" G_GUINT64_FORMAT " missing frames before any "
        "timed output, not announced", slots);
    if (segment != nullptr)
      gst_event_unref (segment);
    return;
  }
  gst_event_unref (segment);
  GST_DEBUG_OBJECT (self, "gap of %" G_GUINT64_FORMAT " frames at %" GST_TIME_FORMAT,
      slots, GST_TIME_ARGS (self->gap_pts));
  count (self, &ZebG719RtpDepayStats::gap_events);
  gst_pad_push_event (srcpad, gst_event_new_gap (self->gap_pts, slots * kFrameDuration));
}

/* One output payload: a one-entry table of contents and one frame. */
static GstBuffer *
make_frame_buffer (const guint8 * frame, const zeb_g719::RtpFrameBlock & block)
{
  GstBuffer *buffer = gst_buffer_new_allocate (nullptr,
      zeb_g719::kTocBytes + block.frame_bytes, nullptr);
  if (buffer == nullptr)
    return nullptr;
  GstMapInfo map;
  if (!gst_buffer_map (buffer, &map, GST_MAP_WRITE)) {
    gst_buffer_unref (buffer);
    return nullptr;
  }
  zeb_g719::write_toc_entry (map.data, zeb_g719::TocEntry{ false, block.length_code, 1 });
  std::memcpy (map.data + zeb_g719::kTocBytes, frame, block.frame_bytes);
  gst_buffer_unmap (buffer, &map);
  return buffer;
}

/* Pushes every slot the window lets go (all of them when draining): frames
 * as buffers, each run of missing slots before a frame as one GAP event.
 * Missing slots after the last frame wait in gap_slots, so that a packet's
 * run of them is announced once, by push_gap. */
static GstFlowReturn
zeb_g719_rtp_depay_release (ZebG719RtpDepay * self, bool drain)
{
  GstFlowReturn ret = GST_FLOW_OK;
  zeb_g719::HeldFrame held;
  while (self->window.release (drain, &held)) {
    if (held.frame == nullptr) {
      if (self->gap_slots == 0)
        self->gap_pts = self->next_pts;
      self->gap_slots++;
      if (GST_CLOCK_TIME_IS_VALID (self->next_pts))
        self->next_pts += kFrameDuration;
      continue;
    }
    zeb_g719_rtp_depay_push_gap (self);
    GstBuffer *frame = held.frame;
    if (!GST_CLOCK_TIME_IS_VALID (held.pts))
      held.pts = self->next_pts;
    GST_BUFFER_PTS (frame) = held.pts;
    GST_BUFFER_DURATION (frame) = kFrameDuration;
    if (self->discont) {
      GST_BUFFER_FLAG_SET (frame, GST_BUFFER_FLAG_DISCONT);
      self->discont = FALSE;
    }
    if (GST_CLOCK_TIME_IS_VALID (held.pts))
      self->next_pts = held.pts + kFrameDuration;
    count (self, &ZebG719RtpDepayStats::frames_pushed);
    const GstFlowReturn r = gst_rtp_base_depayload_push (GST_RTP_BASE_DEPAYLOAD (self), frame);
    if (r != GST_FLOW_OK && ret == GST_FLOW_OK)
      ret = r;
  }
  return ret;
}

/* Pushes everything the window holds, gaps included. */
static void
zeb_g719_rtp_depay_drain (ZebG719RtpDepay * self)
{
  zeb_g719_rtp_depay_release (self, true);
  zeb_g719_rtp_depay_push_gap (self);
}

static gboolean
zeb_g719_rtp_depay_set_caps (GstRTPBaseDepayload * base, GstCaps * caps)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (base);
  const GstStructure *s = gst_caps_get_structure (caps, 0);

  /* SDP's rtpmap puts the channel count in encoding-params, its fmtp in
   * channels; both mean the same. */
  for (const char *field : { "encoding-params", "channels" }) {
    guint64 channels = 1;
    const FieldValue v = caps_uint_field (s, field, &channels);
    if (v == FieldValue::invalid || (v == FieldValue::number && channels != 1)) {
      GST_ELEMENT_ERROR (self, STREAM, FORMAT,
          ("Cannot receive this G.719 stream: only mono G.719 (channels=1) can be "
           "decoded. Ask the sender for one channel."),
          ("caps %" GST_PTR_FORMAT, caps));
      return FALSE;
    }
  }

  guint64 interleaving = 0;
  const FieldValue iv = caps_uint_field (s, "interleaving", &interleaving);
  if (iv == FieldValue::invalid || (iv == FieldValue::number && interleaving == 0)) {
    GST_ELEMENT_ERROR (self, STREAM, FORMAT,
        ("Cannot receive this G.719 stream: its interleaving parameter must be "
         "a whole number above 0."),
        ("caps %" GST_PTR_FORMAT, caps));
    return FALSE;
  }
  const gboolean interleaved = iv == FieldValue::number;
  guint depth = 1;
  if (interleaved) {
    depth = static_cast<guint> (MIN (interleaving, guint64 (zeb_g719::kMaxDeinterleaveDepth)));
    if (interleaving > zeb_g719::kMaxDeinterleaveDepth)
      GST_WARNING_OBJECT (self, "interleaving=%" G_GUINT64_FORMAT " is more than the %u "
          "frame-blocks held; frames arriving later than that are dropped",
          interleaving, zeb_g719::kMaxDeinterleaveDepth);
  }

  /* Frames waiting under the old caps go out before the mode changes. */
  zeb_g719_rtp_depay_drain (self);
  self->interleaved = interleaved;
  self->depth = depth;
  self->window.reset (self->window.next_slot (), depth);
  GST_DEBUG_OBJECT (self, "%s mode, de-interleaving depth %u",
      interleaved ? "interleaved" : "basic", depth);

  base->clock_rate = zeb_g719::kRtpClockRate;
  GstCaps *src_caps = gst_static_pad_template_get_caps (&src_template);
  const gboolean ok = gst_pad_set_caps (GST_RTP_BASE_DEPAYLOAD_SRCPAD (base), src_caps);
  gst_caps_unref (src_caps);
  return ok;
}

static void
zeb_g719_rtp_depay_discard (ZebG719RtpDepay * self, GstRTPBuffer * rtp,
    zeb_g719::RtpPayloadError error)
{
  count (self, &ZebG719RtpDepayStats::packets_discarded);
  GST_ELEMENT_WARNING (self, STREAM, DECODE,
      ("Discarded a malformed G.719 RTP packet."),
      ("%s (sequence number %u, %u payload bytes)", zeb_g719::rtp_payload_error_text (error),
          gst_rtp_buffer_get_seq (rtp), gst_rtp_buffer_get_payload_len (rtp)));
}

/* Places the packet's first block on the stream's timeline, starting a new
 * timeline when the packet does not fit the current one. Returns its slot. */
static gint64
zeb_g719_rtp_depay_packet_slot (ZebG719RtpDepay * self, GstRTPBuffer * rtp, GstClockTime pts)
{
  const guint32 ssrc = gst_rtp_buffer_get_ssrc (rtp);
  if (self->synced && ssrc != self->ssrc) {
    GST_INFO_OBJECT (self, "new source %08x", ssrc);
    self->synced = FALSE;
    self->last_ext_rtptime = GST_CLOCK_TIME_NONE;
  }
  const guint64 ext = gst_rtp_buffer_ext_timestamp (&self->last_ext_rtptime,
      gst_rtp_buffer_get_timestamp (rtp));

  if (self->synced) {
    const gint64 ticks = static_cast<gint64> (ext - self->origin_rtptime);
    const gint64 slot = ticks / zeb_g719::kRtpTicksPerFrame;
    const gint64 next = self->window.next_slot ();
    if (ticks % zeb_g719::kRtpTicksPerFrame == 0 && std::llabs (slot - next) <= kMaxSlotJump)
      return slot;
    GST_INFO_OBJECT (self, "RTP time jumped by %" G_GINT64_FORMAT " ticks: new timeline",
        ticks - next * zeb_g719::kRtpTicksPerFrame);
  }

  /* What waits under the old timeline goes out first. */
  zeb_g719_rtp_depay_drain (self);
  self->synced = TRUE;
  self->ssrc = ssrc;
  self->origin_rtptime = ext;
  self->window.reset (0, self->depth);
  self->next_pts = pts;
  self->discont = TRUE;
  return 0;
}

static GstBuffer *
zeb_g719_rtp_depay_process (GstRTPBaseDepayload * base, GstRTPBuffer * rtp)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (base);

  const guint8 *payload = static_cast<const guint8 *> (gst_rtp_buffer_get_payload (rtp));
  const guint size = gst_rtp_buffer_get_payload_len (rtp);
  const zeb_g719::RtpPayloadLayout layout = zeb_g719::read_rtp_payload (
      std::span<const guint8> (payload, size),
      self->interleaved ? zeb_g719::RtpPayloadMode::interleaved : zeb_g719::RtpPayloadMode::basic,
      1, self->blocks);
  if (layout.error != zeb_g719::RtpPayloadError::none) {
    zeb_g719_rtp_depay_discard (self, rtp, layout.error);
    return nullptr;
  }

  const GstClockTime pts = GST_BUFFER_PTS (rtp->buffer);
  const gint64 first_slot = zeb_g719_rtp_depay_packet_slot (self, rtp, pts);
  GST_LOG_OBJECT (self, "packet at slot %" G_GINT64_FORMAT " with %" G_GSIZE_FORMAT
      " frame-blocks", first_slot, layout.blocks);

  GstFlowReturn ret = GST_FLOW_OK;
  for (std::size_t i = 0; i < layout.blocks; i++) {
    const zeb_g719::RtpFrameBlock &block = self->blocks[i];
    const gint64 slot = first_slot + block.slot;
    if (slot < self->window.next_slot ()) {
      GST_LOG_OBJECT (self, "slot %" G_GINT64_FORMAT " already out: copy dropped", slot);
      count (self, &ZebG719RtpDepayStats::frames_redundant);
      continue;
    }
    zeb_g719::HeldFrame held;
    held.slot = slot;
    held.length_code = block.length_code;
    if (GST_CLOCK_TIME_IS_VALID (pts))
      held.pts = pts + block.slot * kFrameDuration;
    if (block.frame_bytes > 0) {
      held.frame = make_frame_buffer (payload + block.offset, block);
      if (held.frame == nullptr) {
        GST_ELEMENT_ERROR (self, RESOURCE, FAILED, ("Could not allocate a buffer."), (nullptr));
        return nullptr;
      }
    }
    const auto insertion = self->window.insert (held);
    if (insertion == zeb_g719::DeinterleaveWindow::Insertion::replaced ||
        insertion == zeb_g719::DeinterleaveWindow::Insertion::kept_other)
      count (self, &ZebG719RtpDepayStats::frames_redundant);
    const GstFlowReturn r = zeb_g719_rtp_depay_release (self, false);
    if (r != GST_FLOW_OK && ret == GST_FLOW_OK)
      ret = r;
  }
  zeb_g719_rtp_depay_push_gap (self);
  if (ret != GST_FLOW_OK)
    GST_DEBUG_OBJECT (self, "downstream returned %s", gst_flow_get_name (ret));
  return nullptr;
}

/* rtpjitterbuffer's report of lost packets. In basic mode the frames up to
 * the end of the reported time are missing now; in interleaved mode a lost
 * packet held frames from anywhere in the window, so the window decides. */
static gboolean
zeb_g719_rtp_depay_packet_lost (GstRTPBaseDepayload * base, GstEvent * event)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (base);
  const GstStructure *s = gst_event_get_structure (event);
  GstClockTime timestamp = GST_CLOCK_TIME_NONE, duration = GST_CLOCK_TIME_NONE;
  gboolean might_have_been_fec = FALSE;
  if (!gst_structure_get_clock_time (s, "timestamp", &timestamp) ||
      !gst_structure_get_clock_time (s, "duration", &duration) ||
      !GST_CLOCK_TIME_IS_VALID (timestamp) || !GST_CLOCK_TIME_IS_VALID (duration)) {
    GST_WARNING_OBJECT (self, "packet-lost event without timestamp or duration: ignored");
    return TRUE;
  }
  gst_structure_get_boolean (s, "might-have-been-fec", &might_have_been_fec);
  if (might_have_been_fec || self->interleaved || !self->synced ||
      !GST_CLOCK_TIME_IS_VALID (self->next_pts) || self->window.held () > 0)
    return TRUE;

  /* Whole frames from the next slot to the end of the lost time, rounded to
   * the nearest frame: the reported times are estimates. */
  const GstClockTime end = timestamp + duration;
  if (end <= self->next_pts + kFrameDuration / 2)
    return TRUE;
  const guint64 slots = MIN ((end - self->next_pts + kFrameDuration / 2) / kFrameDuration,
      guint64 (kMaxSlotJump));
  GST_DEBUG_OBJECT (self, "packet lost at %" GST_TIME_FORMAT ": %" G_GUINT64_FORMAT
      " frames missing", GST_TIME_ARGS (timestamp), slots);
  self->gap_pts = self->next_pts;
  self->gap_slots = slots;
  self->window.skip (static_cast<gint64> (slots));
  self->next_pts += slots * kFrameDuration;
  zeb_g719_rtp_depay_push_gap (self);
  return TRUE;
}

static gboolean
zeb_g719_rtp_depay_handle_event (GstRTPBaseDepayload * base, GstEvent * event)
{
  ZebG719RtpDepay *self = ZEB_G719_RTP_DEPAY (base);
  switch (GST_EVENT_TYPE (event)) {
    case GST_EVENT_EOS:
      zeb_g719_rtp_depay_drain (self);
      break;
    case GST_EVENT_FLUSH_STOP:
      zeb_g719_rtp_depay_reset_stream (self);
      break;
    default:
      break;
  }
  return GST_RTP_BASE_DEPAYLOAD_CLASS (zeb_g719_rtp_depay_parent_class)->handle_event (base, event);
}
