/**
 * SECTION:element-zebg719dec
 * @title: zebg719dec
 * @see_also: zebg719enc
 *
 * Decodes G.719 payloads into 48 kHz mono signed 16-bit audio. Each input
 * buffer is one payload: a table of contents (byte 0: bit 7 = another entry
 * follows, which is not supported; bits 6..2 = frame length code L; byte 1 =
 * frame count N) followed by N frames of B bytes. L = 8..22 gives B = 10 L,
 * L = 23..27 gives B = 20 L - 220, and the bitrate is B x 400 bit/s, so every
 * bitrate from 32000 to 128000 bit/s that the code can express is decoded.
 * A payload announcing a new bitrate restarts the codec at that bitrate.
 *
 * L = 0 (no data) and the reserved codes are dropped without output. A
 * payload shorter than its table of contents announces is counted as a
 * decoding error (see the `max-errors` property) and dropped.
 *
 * When the `plc` property is TRUE, gaps (GAP events) are concealed: the decoder repeats the last decoded spectrum, 6 dB quieter per
 * lost frame, so the output stays continuous in time.
 *
 * ## Example pipelines
 * |[
 * gst-launch-1.0 audiotestsrc num-buffers=100 ! audioconvert ! audioresample ! \
 *     zebg719enc bitrate=64000 ! zebg719dec ! audioconvert ! autoaudiosink
 * ]| Encodes and decodes a test tone and plays it.
 * |[
 * gst-launch-1.0 filesrc location=speech.wav ! wavparse ! audioconvert ! \
 *     audioresample ! zebg719enc ! zebg719dec plc=true ! wavenc ! \
 *     filesink location=decoded.wav
 * ]| Round trip of a WAV file, with packet-loss concealment enabled.
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
/* Longest gap that is concealed: 60 s. Beyond that the gap is not filled. */
constexpr guint64 kMaxConcealFrames = 3000;
constexpr GstClockTime kFrameDuration = 20 * GST_MSECOND;

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/x-raw, format = S16LE, layout = (string) interleaved, "
        "rate = (int) 48000, channels = (int) 1"));

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/G719"));

}  // namespace

G_DEFINE_TYPE (ZebG719Dec, zeb_g719_dec, GST_TYPE_AUDIO_DECODER)

static gboolean zeb_g719_dec_start (GstAudioDecoder * dec);
static gboolean zeb_g719_dec_stop (GstAudioDecoder * dec);
static gboolean zeb_g719_dec_set_format (GstAudioDecoder * dec, GstCaps * caps);
static GstFlowReturn zeb_g719_dec_handle_frame (GstAudioDecoder * dec, GstBuffer * buffer);

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

/* Rejects a payload that is shorter than its table of contents requires:
 * counted as a decoding error, nothing is output and the codec is untouched. */
/* Consumes the current input payload without output. The base class keeps
 * every input buffer until a finish call accounts for it, so a payload that
 * gives no audio must be finished too, or a stream of such payloads would
 * pile up in the base class (unbounded memory, and later output stamped with
 * the dropped payloads' timestamps). */
static void
drop_payload (ZebG719Dec * self)
{
  gst_audio_decoder_finish_frame (GST_AUDIO_DECODER (self), nullptr, 1);
}

static GstFlowReturn
reject_short_payload (ZebG719Dec * self, gsize size, gsize needed)
{
  GST_WARNING_OBJECT (self, "payload of %" G_GSIZE_FORMAT " bytes is shorter "
      "than the %" G_GSIZE_FORMAT " bytes its table of contents needs", size, needed);
  GstFlowReturn ret = GST_FLOW_OK;
  GST_AUDIO_DECODER_ERROR (self, 1, STREAM, DECODE,
      ("Truncated G.719 payload."),
      ("payload of %" G_GSIZE_FORMAT " bytes, %" G_GSIZE_FORMAT " needed", size, needed),
      ret);
  if (ret == GST_FLOW_OK)
    drop_payload (self);
  return ret;
}

/* Fills a gap of `duration` (GST_CLOCK_TIME_NONE: one frame) with concealed
 * frames at the current decoder's bitrate, or with silence when no payload has
 * been decoded yet. Output goes out in pieces, the last one finishing the
 * (empty) input frame. */
static GstFlowReturn
conceal_gap (ZebG719Dec * self, GstClockTime duration)
{
  GstAudioDecoder *dec = GST_AUDIO_DECODER (self);
  guint64 frames = 1;
  if (GST_CLOCK_TIME_IS_VALID (duration) && duration > 0)
    frames = duration / kFrameDuration + (duration % kFrameDuration != 0 ? 1 : 0);
  if (frames > kMaxConcealFrames) {
    GST_WARNING_OBJECT (self, "gap of %" GST_TIME_FORMAT " is longer than the "
        "%" G_GUINT64_FORMAT " frames concealed", GST_TIME_ARGS (duration), kMaxConcealFrames);
    frames = kMaxConcealFrames;
  }
  GST_DEBUG_OBJECT (self, "concealing %" G_GUINT64_FORMAT " frames (%s)", frames,
      self->decoder != nullptr ? "repeating the last spectrum" : "silence");

  /* A lost frame reads no frame bytes, but the codec still expects readable
   * ones. */
  static const guint8 no_frame[G719_MAX_FRAME_BYTES] = {};

  while (frames > 0) {
    const guint64 chunk = MIN (frames, kConcealChunkFrames);
    const gsize out_size = chunk * zeb_g719::kBytesPerOutputFrame;
    GstBuffer *output = gst_audio_decoder_allocate_output_buffer (dec, out_size);
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
    GstFlowReturn ret = frames > 0
        ? gst_audio_decoder_finish_subframe (dec, output)
        : gst_audio_decoder_finish_frame (dec, output, 1);
    if (ret != GST_FLOW_OK)
      return ret;
  }
  return GST_FLOW_OK;
}

static GstFlowReturn
zeb_g719_dec_handle_frame (GstAudioDecoder * dec, GstBuffer * buffer)
{
  ZebG719Dec *self = ZEB_G719_DEC (dec);

  /* Not drainable: there is nothing buffered to flush out. */
  if (buffer == nullptr)
    return GST_FLOW_OK;

  GstMapInfo in_map;
  if (!gst_buffer_map (buffer, &in_map, GST_MAP_READ)) {
    GST_ELEMENT_ERROR (self, RESOURCE, READ, ("Could not map the input buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  const gsize size = in_map.size;

  if (size == 0 && gst_audio_decoder_get_plc (dec)) {
    gst_buffer_unmap (buffer, &in_map);
    return conceal_gap (self, GST_BUFFER_DURATION (buffer));
  }
  if (size < zeb_g719::kTocBytes) {
    gst_buffer_unmap (buffer, &in_map);
    return reject_short_payload (self, size, zeb_g719::kTocBytes);
  }

  const zeb_g719::TocEntry toc = zeb_g719::read_toc_entry (in_map.data[0], in_map.data[1]);
  const guint frame_count = toc.frame_count;

  if (toc.more_entries) {
    GST_ERROR_OBJECT (self, "Oh NO! More then one ToC. Not supported!");
    gst_buffer_unmap (buffer, &in_map);
    return GST_FLOW_ERROR;
  }

  const guint length_code = toc.length_code;
  if (length_code == 0) {
    GST_INFO_OBJECT (self, "ToC L: 0 -> No data");
    gst_buffer_unmap (buffer, &in_map);
    drop_payload (self);
    return GST_FLOW_OK;
  }
  if (length_code < 8) {
    GST_WARNING_OBJECT (self, "ToC L: 1-7 -> N/A (reserved)");
    gst_buffer_unmap (buffer, &in_map);
    drop_payload (self);
    return GST_FLOW_OK;
  }
  if (length_code >= 28) {
    GST_WARNING_OBJECT (self, "ToC L: 28-31 -> N/A (reserved)");
    gst_buffer_unmap (buffer, &in_map);
    drop_payload (self);
    return GST_FLOW_OK;
  }

  const guint frame_bytes = zeb_g719::frame_bytes_for_length_code (length_code);
  const gint32 bitrate = static_cast<gint32> (frame_bytes * 400);
  GST_DEBUG_OBJECT (self, "Parsed ToC: bytes-per-frame: %u, bitrate=%d, frames: %u",
      frame_bytes, bitrate, frame_count);

  const gsize needed = zeb_g719::kTocBytes + gsize (frame_count) * frame_bytes;
  if (size < needed) {
    gst_buffer_unmap (buffer, &in_map);
    return reject_short_payload (self, size, needed);
  }

  zeb_g719_dec_init_decoder (self, bitrate);
  if (self->decoder == nullptr) {
    gst_buffer_unmap (buffer, &in_map);
    GST_ELEMENT_ERROR (self, LIBRARY, INIT,
        ("Could not create a G.719 decoder for %d bit/s.", bitrate),
        ("g719_decoder_create(%d) failed", bitrate));
    return GST_FLOW_ERROR;
  }

  const guint out_size = frame_count * zeb_g719::kBytesPerOutputFrame;
  GST_LOG_OBJECT (self, "we have %u frames, %u in, %u out", frame_count,
      frame_bytes * frame_count, out_size);

  /* The base class hands out no buffer of 0 bytes (it rejects the request
   * with a critical warning), so a payload without frames takes the
   * allocation-failure path without asking. */
  GstBuffer *output = out_size > 0
      ? gst_audio_decoder_allocate_output_buffer (dec, out_size)
      : nullptr;
  if (output == nullptr) {
    gst_buffer_unmap (buffer, &in_map);
    GST_WARNING_OBJECT (self, "failed to allocate buffer");
    return GST_FLOW_ERROR;
  }

  GstMapInfo out_map;
  if (!gst_buffer_map (output, &out_map, GST_MAP_WRITE)) {
    gst_buffer_unmap (buffer, &in_map);
    gst_buffer_unref (output);
    GST_ELEMENT_ERROR (self, RESOURCE, WRITE, ("Could not map the output buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  for (guint i = 0; i < frame_count; i++) {
    GST_LOG_OBJECT (self, "Decoding frame %u/%u", i + 1, frame_count);
    decode_frame_to (self->decoder,
        in_map.data + zeb_g719::kTocBytes + gsize (i) * frame_bytes,
        out_map.data + gsize (i) * zeb_g719::kBytesPerOutputFrame, 0);
  }
  gst_buffer_unmap (output, &out_map);
  gst_buffer_unmap (buffer, &in_map);
  GST_LOG_OBJECT (self, "Finished decoding");

  return gst_audio_decoder_finish_frame (dec, output, 1);
}
