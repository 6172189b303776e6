/**
 * SECTION:element-zebg719dec
 * @title: zebg719dec
 * @see_also: zebg719enc, zebg719parse
 *
 * Decodes G.719 payloads into 48 kHz mono signed 16-bit audio. Each input
 * buffer is one payload: a table of contents (byte 0: bit 7 = another entry
 * follows, which is not supported; bits 6..2 = frame length code L; byte 1 =
 * frame count N) followed by N frames of B bytes. L = 8..22 gives B = 10 L,
 * L = 23..27 gives B = 20 L - 220, and the bitrate is B x 400 bit/s, so every
 * bitrate from 32000 to 128000 bit/s that the code can express is decoded.
 * A payload announcing a new bitrate restarts the codec at that bitrate.
 *
 * Payloads the decoder cannot use are dropped: L = 0 (no data, which the RTP
 * format uses for a missing frame), the reserved codes, and a payload shorter
 * than its table of contents announces (counted as a decoding error, see the
 * `max-errors` property). A payload announcing a second table-of-contents
 * entry stops the stream with an error message, and so does a byte stream
 * that was not split into payloads (put zebg719parse in front to read a
 * .g719 file).
 *
 * With `plc=true` the decoder conceals what is missing, repeating the last
 * decoded spectrum 6 dB quieter per lost frame (silence before the first
 * payload), so that time never goes missing:
 * - a gap (a GAP event, as `rtpjitterbuffer do-lost=true` sends for a lost
 *   packet) is filled from the end of the last output up to the gap's end,
 *   rounded to the nearest whole 20 ms frame: a gap that ends where the
 *   output already stands produces nothing, and a loss reported as 20 ms plus
 *   or minus a little gives exactly one frame;
 * - a dropped payload is concealed the same way up to its end, which is its
 *   timestamp plus its duration; without a duration it stands for the N
 *   frames its table of contents announces, or for one frame when it has no
 *   readable frame count (N = 0 or fewer than two bytes).
 * Concealed audio is stamped where the output stands, so the output stays
 * continuous. One gap is concealed for at most 60 s.
 *
 * ## Example pipelines
 * |[
 * gst-launch-1.0 audiotestsrc num-buffers=100 ! audioconvert ! audioresample ! \
 *     zebg719enc bitrate=64000 ! zebg719dec ! audioconvert ! autoaudiosink
 * ]| Encodes and decodes a test tone and plays it.
 * |[
 * gst-launch-1.0 filesrc location=talk.g719 ! zebg719parse ! zebg719dec ! \
 *     wavenc ! filesink location=talk.wav
 * ]| Decodes a .g719 file (payloads back to back) into a WAV file.
 */
#include "zebg719dec.h"

#include <cstring>

#include "payload_toc.h"
#include "plugin_metadata.h"

GST_DEBUG_CATEGORY_STATIC (zeb_g719_dec_debug);
#define GST_CAT_DEFAULT zeb_g719_dec_debug

namespace {

/* Concealed output is pushed in pieces of at most this many frames. */
constexpr guint64 kConcealChunkFrames = 50;
/* Longest stretch concealed at once: 60 s. */
constexpr guint64 kMaxConcealFrames = 3000;
constexpr GstClockTime kFrameDuration = zeb_g719::kFrameDurationNs;

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/x-raw, format = S16LE, layout = (string) interleaved, "
        "rate = (int) 48000, channels = (int) 1"));

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/G719"));

/* What handle_frame does with a payload, from its table of contents. */
enum class PayloadAction {
  decode,         /* frames to decode */
  several_entries, /* F = 1: refused with a flow error */
  skip,           /* L = 0 or reserved: no frames to decode */
  truncated,      /* shorter than its table of contents announces */
};

/* Whole frames nearest to a duration. */
guint64
frames_nearest (GstClockTime duration)
{
  return gst_util_uint64_scale_round (duration, 1, kFrameDuration);
}

}  // namespace

G_DEFINE_TYPE (ZebG719Dec, zeb_g719_dec, GST_TYPE_AUDIO_DECODER)

static gboolean zeb_g719_dec_start (GstAudioDecoder * dec);
static gboolean zeb_g719_dec_stop (GstAudioDecoder * dec);
static gboolean zeb_g719_dec_set_format (GstAudioDecoder * dec, GstCaps * caps);
static GstFlowReturn zeb_g719_dec_handle_frame (GstAudioDecoder * dec, GstBuffer * buffer);
static gboolean zeb_g719_dec_sink_event (GstAudioDecoder * dec, GstEvent * event);
static GstFlowReturn zeb_g719_dec_pre_push (GstAudioDecoder * dec, GstBuffer ** buffer);

static void
zeb_g719_dec_class_init (ZebG719DecClass * klass)
{
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstAudioDecoderClass *decoder_class = GST_AUDIO_DECODER_CLASS (klass);

  if (zeb_g719_dec_debug == nullptr)
    GST_DEBUG_CATEGORY_INIT (zeb_g719_dec_debug, "g719dec", 0, "g719dec");

  decoder_class->start = GST_DEBUG_FUNCPTR (zeb_g719_dec_start);
  decoder_class->stop = GST_DEBUG_FUNCPTR (zeb_g719_dec_stop);
  decoder_class->set_format = GST_DEBUG_FUNCPTR (zeb_g719_dec_set_format);
  decoder_class->handle_frame = GST_DEBUG_FUNCPTR (zeb_g719_dec_handle_frame);
  decoder_class->sink_event = GST_DEBUG_FUNCPTR (zeb_g719_dec_sink_event);
  decoder_class->pre_push = GST_DEBUG_FUNCPTR (zeb_g719_dec_pre_push);

  gst_element_class_set_metadata (element_class,
      "G.719 Decoder element", "Codec/Decoder/Audio ",
      "Decode streams encoded with G.719",
      ZEB_AUTHOR_AUDIO_TEAM);

  gst_element_class_add_static_pad_template (element_class, &src_template);
  gst_element_class_add_static_pad_template (element_class, &sink_template);
}

static void
zeb_g719_dec_init (ZebG719Dec * self)
{
  gst_audio_decoder_set_needs_format (GST_AUDIO_DECODER (self), TRUE);
  self->output_end = GST_CLOCK_TIME_NONE;
}

static gboolean
zeb_g719_dec_start (GstAudioDecoder * dec)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  gst_audio_decoder_set_drainable (dec, FALSE);
  /* With the `plc` property set, the base class turns GAP events into empty
   * buffers for handle_frame. */
  gst_audio_decoder_set_plc_aware (dec, TRUE);
  self->bitrate = 0;
  self->output_end = GST_CLOCK_TIME_NONE;
  self->unframed = FALSE;
  return TRUE;
}

static gboolean
zeb_g719_dec_stop (GstAudioDecoder * dec)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  GST_DEBUG_OBJECT (self, "stop");
  g719_decoder_free (self->decoder);
  self->decoder = nullptr;
  self->bitrate = 0;
  return TRUE;
}

static gboolean
zeb_g719_dec_set_format (GstAudioDecoder * dec, GstCaps *)
{
  GstAudioInfo info;
  GstCaps *caps = gst_static_pad_template_get_caps (&src_template);
  const gboolean parsed = gst_audio_info_from_caps (&info, caps);
  gst_caps_unref (caps);
  if (!parsed)
    return FALSE;
  return gst_audio_decoder_set_output_format (dec, &info);
}

/* Refuses byte streams (each buffer must be one payload) and forgets where
 * the output stood when a new segment starts or the stream is flushed. */
static gboolean
zeb_g719_dec_sink_event (GstAudioDecoder * dec, GstEvent * event)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  if (GST_EVENT_TYPE (event) == GST_EVENT_SEGMENT) {
    const GstSegment *segment = nullptr;
    gst_event_parse_segment (event, &segment);
    if (segment->format == GST_FORMAT_BYTES) {
      /* Refused; the pad offers it again with every buffer, and data never
       * gets through. One message says why. */
      if (!self->unframed)
        GST_ELEMENT_ERROR (self, STREAM, FORMAT,
            ("The input is a byte stream, but zebg719dec needs one G.719 payload per "
                "buffer. Put zebg719parse in front of zebg719dec to split the stream "
                "(for example a .g719 file) into payloads."),
            ("segment in BYTES format"));
      self->unframed = TRUE;
      gst_event_unref (event);
      return FALSE;
    }
    self->unframed = FALSE;
  }
  if (GST_EVENT_TYPE (event) == GST_EVENT_SEGMENT || GST_EVENT_TYPE (event) == GST_EVENT_FLUSH_STOP)
    self->output_end = GST_CLOCK_TIME_NONE;
  return GST_AUDIO_DECODER_CLASS (zeb_g719_dec_parent_class)->sink_event (dec, event);
}

/* Stamps concealed audio where the output stands and records where each
 * pushed buffer ends. */
static GstFlowReturn
zeb_g719_dec_pre_push (GstAudioDecoder * dec, GstBuffer ** buffer)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  if (self->concealing && GST_CLOCK_TIME_IS_VALID (self->output_end)) {
    *buffer = gst_buffer_make_writable (*buffer);
    GST_BUFFER_PTS (*buffer) = self->output_end;
  }
  if (GST_BUFFER_PTS_IS_VALID (*buffer) && GST_BUFFER_DURATION_IS_VALID (*buffer))
    self->output_end = GST_BUFFER_PTS (*buffer) + GST_BUFFER_DURATION (*buffer);
  return GST_FLOW_OK;
}

/* Makes `decoder` a codec instance for bitrate, replacing one for another
 * bitrate. Leaves `decoder` NULL and `bitrate` 0 if none can be created. */
static void
zeb_g719_dec_init_decoder (ZebG719Dec * self, gint32 bitrate)
{
  if (bitrate == self->bitrate)
    return;
  GST_DEBUG_OBJECT (self, "Creating decoder with bitrate %d", bitrate);
  g719_decoder_free (self->decoder);
  self->decoder = g719_decoder_create (bitrate);
  self->bitrate = self->decoder != nullptr ? bitrate : 0;
}

/* Decodes one frame (good or lost) into 960 samples at out, which need not be
 * 2-byte aligned. */
static void
decode_frame_to (G719DecoderState * decoder, const guint8 * frame, guint8 * out,
    gint32 bad_frame)
{
  if (reinterpret_cast<uintptr_t> (out) % alignof (int16_t) == 0) {
    g719_decode (decoder, frame, reinterpret_cast<int16_t *> (out), bad_frame);
  } else {
    int16_t pcm[zeb_g719::kSamplesPerFrame];
    g719_decode (decoder, frame, pcm, bad_frame);
    std::memcpy (out, pcm, sizeof pcm);
  }
}

/* Frames that take the output from where it stands (or from pts, before the
 * first output) to pts + duration, to the nearest frame; none when the output
 * already reaches that far. Without a timestamp, the frames of duration. */
static guint64
zeb_g719_dec_frames_to_conceal (ZebG719Dec * self, GstClockTime pts, GstClockTime duration)
{
  if (!GST_CLOCK_TIME_IS_VALID (pts))
    return frames_nearest (duration);
  const GstClockTime end = duration < GST_CLOCK_TIME_NONE - pts ? pts + duration
      : GST_CLOCK_TIME_NONE - 1;
  const GstClockTime from = GST_CLOCK_TIME_IS_VALID (self->output_end) ? self->output_end : pts;
  return end > from ? frames_nearest (end - from) : 0;
}

/* Conceals the stretch of an input buffer that brings no audio (a gap, a
 * dropped payload) with frames at the current decoder's bitrate, or silence
 * when no payload has been decoded yet, and finishes that buffer. Without a
 * duration, the buffer stands for fallback_frames frames. Output goes out in
 * pieces, the last one finishing the input frame. */
static GstFlowReturn
zeb_g719_dec_conceal (ZebG719Dec * self, GstBuffer * buffer, guint fallback_frames)
{
  GstAudioDecoder *dec = GST_AUDIO_DECODER (self);
  const GstClockTime duration = GST_BUFFER_DURATION_IS_VALID (buffer)
      ? GST_BUFFER_DURATION (buffer) : fallback_frames * kFrameDuration;
  guint64 frames = zeb_g719_dec_frames_to_conceal (self, GST_BUFFER_PTS (buffer), duration);
  if (frames > kMaxConcealFrames) {
    GST_WARNING_OBJECT (self, "concealing only %" G_GUINT64_FORMAT " of %" G_GUINT64_FORMAT
        " missing frames", kMaxConcealFrames, frames);
    frames = kMaxConcealFrames;
  }
  GST_DEBUG_OBJECT (self, "concealing %" G_GUINT64_FORMAT " frames (%s)", frames,
      self->decoder != nullptr ? "repeating the last spectrum" : "silence");
  if (frames == 0)
    return gst_audio_decoder_finish_frame (dec, nullptr, 1);

  /* A lost frame reads no frame bytes, but the codec still expects readable
   * ones. */
  static const guint8 no_frame[G719_MAX_FRAME_BYTES] = {};

  while (frames > 0) {
    const guint64 chunk = MIN (frames, kConcealChunkFrames);
    GstBuffer *output = gst_audio_decoder_allocate_output_buffer (dec,
        chunk * zeb_g719::kBytesPerOutputFrame);
    if (output == nullptr) {
      GST_WARNING_OBJECT (self, "failed to allocate buffer");
      return GST_FLOW_ERROR;
    }
    GstMapInfo out_map;
    if (!gst_buffer_map (output, &out_map, GST_MAP_WRITE)) {
      gst_buffer_unref (output);
      GST_ELEMENT_ERROR (self, RESOURCE, WRITE, ("Could not map the output buffer."), (nullptr));
      return GST_FLOW_ERROR;
    }
    for (guint64 i = 0; i < chunk; i++) {
      guint8 *out = out_map.data + i * zeb_g719::kBytesPerOutputFrame;
      if (self->decoder != nullptr)
        decode_frame_to (self->decoder, no_frame, out, 1);
      else
        std::memset (out, 0, zeb_g719::kBytesPerOutputFrame);
    }
    gst_buffer_unmap (output, &out_map);

    frames -= chunk;
    self->concealing = TRUE;
    const GstFlowReturn ret = frames > 0
        ? gst_audio_decoder_finish_subframe (dec, output)
        : gst_audio_decoder_finish_frame (dec, output, 1);
    self->concealing = FALSE;
    if (ret != GST_FLOW_OK)
      return ret;
  }
  return GST_FLOW_OK;
}

/* Consumes a payload that gives no audio: concealed for its duration with
 * `plc` on, dropped otherwise. Either way the base class must be told the
 * input frame is done, or a stream of such payloads would pile up in it
 * (unbounded memory, and later output stamped with their timestamps). */
static GstFlowReturn
zeb_g719_dec_skip_payload (ZebG719Dec * self, GstBuffer * buffer, guint frame_count)
{
  GstAudioDecoder *dec = GST_AUDIO_DECODER (self);
  if (gst_audio_decoder_get_plc (dec))
    return zeb_g719_dec_conceal (self, buffer, MAX (frame_count, 1u));
  return gst_audio_decoder_finish_frame (dec, nullptr, 1);
}

/* A payload shorter than its table of contents needs is a decoding error
 * (weighed against `max-errors`); unless that is fatal, it is skipped without
 * touching the codec. */
static GstFlowReturn
zeb_g719_dec_reject_truncated (ZebG719Dec * self, GstBuffer * buffer, gsize size,
    gsize needed, guint frame_count)
{
  GST_WARNING_OBJECT (self, "payload of %" G_GSIZE_FORMAT " bytes is shorter "
      "than the %" G_GSIZE_FORMAT " bytes its table of contents needs", size, needed);
  GstFlowReturn ret = GST_FLOW_OK;
  GST_AUDIO_DECODER_ERROR (self, 1, STREAM, DECODE,
      ("Truncated G.719 payload."),
      ("payload of %" G_GSIZE_FORMAT " bytes, %" G_GSIZE_FORMAT " needed", size, needed),
      ret);
  if (ret != GST_FLOW_OK)
    return ret;
  return zeb_g719_dec_skip_payload (self, buffer, frame_count);
}

/* Reads a payload's table of contents, logging what it finds, and says what
 * to do with the payload. */
static PayloadAction
zeb_g719_dec_read_toc (ZebG719Dec * self, const GstMapInfo & in, zeb_g719::PayloadToc * toc)
{
  if (in.size < zeb_g719::kTocBytes) {
    *toc = zeb_g719::PayloadToc{};
    return PayloadAction::truncated;
  }
  *toc = zeb_g719::read_payload_toc (in.data[0], in.data[1]);
  switch (toc->status) {
    case zeb_g719::TocStatus::more_entries:
      GST_ERROR_OBJECT (self, "Oh NO! More then one ToC. Not supported!");
      return PayloadAction::several_entries;
    case zeb_g719::TocStatus::empty:
      GST_INFO_OBJECT (self, "ToC L: 0 -> No data");
      return PayloadAction::skip;
    case zeb_g719::TocStatus::reserved:
      if (toc->length_code < zeb_g719::kMinLengthCode)
        GST_WARNING_OBJECT (self, "ToC L: 1-7 -> N/A (reserved)");
      else
        GST_WARNING_OBJECT (self, "ToC L: 28-31 -> N/A (reserved)");
      return PayloadAction::skip;
    case zeb_g719::TocStatus::valid:
    case zeb_g719::TocStatus::no_frames:
      break;
  }
  GST_DEBUG_OBJECT (self, "Parsed ToC: bytes-per-frame: %u, bitrate=%d, frames: %u",
      toc->frame_bytes, toc->bitrate, toc->frame_count);
  if (in.size < zeb_g719::kTocBytes + gsize (toc->frame_count) * toc->frame_bytes)
    return PayloadAction::truncated;
  return PayloadAction::decode;
}

/* Decodes the N frames of a payload that holds them all into a new output
 * buffer, with the codec instance for the payload's bitrate. */
static GstFlowReturn
zeb_g719_dec_decode_payload (ZebG719Dec * self, const guint8 * payload,
    const zeb_g719::PayloadToc & toc, GstBuffer ** output)
{
  GstAudioDecoder *dec = GST_AUDIO_DECODER (self);

  zeb_g719_dec_init_decoder (self, toc.bitrate);
  if (self->decoder == nullptr) {
    GST_ELEMENT_ERROR (self, LIBRARY, INIT,
        ("Could not create a G.719 decoder for %d bit/s.", toc.bitrate),
        ("g719_decoder_create(%d) failed", toc.bitrate));
    return GST_FLOW_ERROR;
  }

  const guint out_size = toc.frame_count * zeb_g719::kBytesPerOutputFrame;
  GST_LOG_OBJECT (self, "we have %u frames, %u in, %u out", toc.frame_count,
      toc.frame_bytes * toc.frame_count, out_size);
  /* The base class hands out no buffer of 0 bytes (it rejects the request
   * with a critical warning), so a payload without frames takes the
   * allocation-failure path without asking. */
  *output = out_size > 0 ? gst_audio_decoder_allocate_output_buffer (dec, out_size) : nullptr;
  if (*output == nullptr) {
    GST_WARNING_OBJECT (self, "failed to allocate buffer");
    return GST_FLOW_ERROR;
  }

  GstMapInfo out_map;
  if (!gst_buffer_map (*output, &out_map, GST_MAP_WRITE)) {
    gst_clear_buffer (output);
    GST_ELEMENT_ERROR (self, RESOURCE, WRITE, ("Could not map the output buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  for (guint i = 0; i < toc.frame_count; i++) {
    GST_LOG_OBJECT (self, "Decoding frame %u/%u", i + 1, toc.frame_count);
    decode_frame_to (self->decoder, payload + zeb_g719::kTocBytes + gsize (i) * toc.frame_bytes,
        out_map.data + gsize (i) * zeb_g719::kBytesPerOutputFrame, 0);
  }
  gst_buffer_unmap (*output, &out_map);
  return GST_FLOW_OK;
}

static GstFlowReturn
zeb_g719_dec_handle_frame (GstAudioDecoder * dec, GstBuffer * buffer)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  /* Not drainable: there is nothing buffered to flush out. */
  if (buffer == nullptr)
    return GST_FLOW_OK;
  /* An empty buffer is a gap the base class hands over for concealment. */
  if (gst_buffer_get_size (buffer) == 0 && gst_audio_decoder_get_plc (dec))
    return zeb_g719_dec_conceal (self, buffer, 1);

  GstMapInfo in_map;
  if (!gst_buffer_map (buffer, &in_map, GST_MAP_READ)) {
    GST_ELEMENT_ERROR (self, RESOURCE, READ, ("Could not map the input buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  zeb_g719::PayloadToc toc;
  const PayloadAction action = zeb_g719_dec_read_toc (self, in_map, &toc);
  const gsize size = in_map.size;
  GstBuffer *output = nullptr;
  GstFlowReturn ret = GST_FLOW_OK;
  if (action == PayloadAction::decode)
    ret = zeb_g719_dec_decode_payload (self, in_map.data, toc, &output);
  /* Unmapped before finishing: finishing may release the input buffer. */
  gst_buffer_unmap (buffer, &in_map);

  switch (action) {
    case PayloadAction::decode:
      if (ret != GST_FLOW_OK)
        return ret;
      GST_LOG_OBJECT (self, "Finished decoding");
      return gst_audio_decoder_finish_frame (dec, output, 1);
    case PayloadAction::several_entries:
      GST_ELEMENT_ERROR (self, STREAM, DECODE,
          ("This G.719 payload has more than one table-of-contents entry (frames "
              "of several sizes in one payload), which zebg719dec does not decode. "
              "Have the sender put one table-of-contents entry in each payload."),
          ("byte 0 has F = 1"));
      return GST_FLOW_ERROR;
    case PayloadAction::skip:
      return zeb_g719_dec_skip_payload (self, buffer, toc.frame_count);
    case PayloadAction::truncated:
      return zeb_g719_dec_reject_truncated (self, buffer, size,
          zeb_g719::kTocBytes + gsize (toc.frame_count) * toc.frame_bytes, toc.frame_count);
  }
  return GST_FLOW_ERROR;
}
