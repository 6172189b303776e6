// The file name GLib's invalid-property warning gives for this element.
#line 3 "src/audio/g719/zebg719enc"
/**
 * SECTION:element-zebg719enc
 * @title: zebg719enc
 * @see_also: zebg719dec
 *
 * Encodes 48 kHz mono signed 16-bit audio into G.719 at 32000, 48000 or
 * 64000 bit/s. Every 960-sample block (20 ms) becomes one output buffer: a
 * two-byte table of contents (byte 0 = bitrate / 4000 in bits 6..2, byte 1 =
 * one frame) followed by one frame of bitrate / 400 bytes. A final block of
 * fewer than 960 samples is not encoded.
 *
 * The output bitrate is the `bitrate` property's, unless downstream accepts
 * only other bitrates: then it is the accepted one nearest to the property
 * (a caps filter such as `audio/G719,bitrate=32000` after the encoder sets
 * it). A new `bitrate` set while the element is playing applies from the next
 * 960-sample block on: new caps announce the new bitrate, a new codec
 * instance encodes the block, and the table of contents gives the new frame
 * length. The decoder restarts its codec at such a change, so the stream
 * decodes exactly as if each stretch had been encoded by a fresh encoder.
 * Conferencing applications use this for congestion control.
 *
 * The encoder waits for a whole block before it encodes, so it adds 20 ms
 * to the latency it reports in live pipelines.
 *
 * ## Example pipelines
 * |[
 * gst-launch-1.0 audiotestsrc num-buffers=100 ! audioconvert ! audioresample ! \
 *     audio/x-raw,rate=48000,channels=1 ! zebg719enc bitrate=48000 ! \
 *     zebg719dec ! wavenc ! filesink location=roundtrip.wav
 * ]| Encodes a test tone at 48000 bit/s and decodes it again.
 * |[
 * gst-launch-1.0 filesrc location=speech.wav ! wavparse ! audioconvert ! \
 *     audioresample ! zebg719enc bitrate=32000 ! fakesink
 * ]| Encodes a WAV file of any rate and channel count at 32000 bit/s.
 * |[
 * gst-launch-1.0 audiotestsrc num-buffers=100 ! zebg719enc ! \
 *     audio/G719,bitrate=32000 ! filesink location=tone.g719
 * ]| Encodes at the 32000 bit/s that downstream asks for.
 */
#include "zebg719enc.h"

#include <cstring>

#include "payload_toc.h"
#include "plugin_metadata.h"
#include "zeb_g719_bitrate.h"

GST_DEBUG_CATEGORY_STATIC (zeb_g719_enc_debug);
#define GST_CAT_DEFAULT zeb_g719_enc_debug

namespace {

constexpr gint32 kDefaultBitrate = 64000;

enum { PROP_0, PROP_BITRATE };

GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/G719, rate = (int) 48000, channels = (int) 1, "
        "bitrate = (int) { 32000, 48000, 64000 }"));

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK,
    GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("audio/x-raw, format = S16LE, layout = (string) interleaved, "
        "rate = (int) 48000, channels = (int) 1"));

}  // namespace

G_DEFINE_TYPE (ZebG719Enc, zeb_g719_enc, GST_TYPE_AUDIO_ENCODER)

static void zeb_g719_enc_set_property (GObject * object, guint prop_id,
    const GValue * value, GParamSpec * pspec);
static void zeb_g719_enc_get_property (GObject * object, guint prop_id,
    GValue * value, GParamSpec * pspec);
static gboolean zeb_g719_enc_start (GstAudioEncoder * enc);
static gboolean zeb_g719_enc_stop (GstAudioEncoder * enc);
static gboolean zeb_g719_enc_set_format (GstAudioEncoder * enc, GstAudioInfo * info);
static GstFlowReturn zeb_g719_enc_handle_frame (GstAudioEncoder * enc, GstBuffer * buffer);

static void
zeb_g719_enc_class_init (ZebG719EncClass * klass)
{
  GObjectClass *gobject_class = G_OBJECT_CLASS (klass);
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstAudioEncoderClass *encoder_class = GST_AUDIO_ENCODER_CLASS (klass);

  if (zeb_g719_enc_debug == nullptr)
    GST_DEBUG_CATEGORY_INIT (zeb_g719_enc_debug, "g719enc", 0, "g719enc");

  gobject_class->set_property = zeb_g719_enc_set_property;
  gobject_class->get_property = zeb_g719_enc_get_property;

  encoder_class->start = GST_DEBUG_FUNCPTR (zeb_g719_enc_start);
  encoder_class->stop = GST_DEBUG_FUNCPTR (zeb_g719_enc_stop);
  encoder_class->set_format = GST_DEBUG_FUNCPTR (zeb_g719_enc_set_format);
  encoder_class->handle_frame = GST_DEBUG_FUNCPTR (zeb_g719_enc_handle_frame);

  g_object_class_install_property (gobject_class, PROP_BITRATE,
      g_param_spec_enum ("bitrate", "Bitrate", "The bitrate to decode",
          zeb_g719_bitrate_get_type (), kDefaultBitrate,
          static_cast<GParamFlags> (G_PARAM_READWRITE | G_PARAM_CONSTRUCT |
              G_PARAM_STATIC_STRINGS)));

  gst_element_class_set_metadata (element_class,
      "G.719 Encoder element", "Codec/Encoder/Audio ",
      "Encode streams with G.719",
      ZEB_AUTHOR_AUDIO_TEAM "\n" ZEB_AUTHOR_CODEC_TEAM);

  gst_element_class_add_static_pad_template (element_class, &src_template);
  gst_element_class_add_static_pad_template (element_class, &sink_template);
}

static void
zeb_g719_enc_init (ZebG719Enc *)
{
}

static void
zeb_g719_enc_set_property (GObject * object, guint prop_id,
    const GValue * value, GParamSpec * pspec)
{
  ZebG719Enc *self = ZEB_G719_ENC (object);

  switch (prop_id) {
    case PROP_BITRATE:
      /* Read by the streaming thread at the next block. */
      g_atomic_int_set (&self->bitrate, g_value_get_enum (value));
      g_atomic_int_set (&self->bitrate_changed, TRUE);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, prop_id, pspec);
      break;
  }
}

static void
zeb_g719_enc_get_property (GObject * object, guint prop_id,
    GValue * value, GParamSpec * pspec)
{
  ZebG719Enc *self = ZEB_G719_ENC (object);

  switch (prop_id) {
    case PROP_BITRATE:
      g_value_set_enum (value, g_atomic_int_get (&self->bitrate));
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, prop_id, pspec);
      break;
  }
}

/* Makes `encoder` a fresh codec instance for bitrate, unless it already
 * encodes at that bitrate. */
static gboolean
zeb_g719_enc_init_encoder (ZebG719Enc * self, gint32 bitrate)
{
  if (self->encoder != nullptr && self->active_bitrate == bitrate)
    return TRUE;
  GST_DEBUG_OBJECT (self, "Creating encoder with bitrate %d", bitrate);
  g719_encoder_free (self->encoder);
  self->encoder = g719_encoder_create (bitrate);
  self->active_bitrate = self->encoder != nullptr ? bitrate : 0;
  if (self->encoder == nullptr) {
    GST_ELEMENT_ERROR (self, LIBRARY, INIT,
        ("Could not create a G.719 encoder for %d bit/s.", bitrate),
        ("g719_encoder_create(%d) failed", bitrate));
    return FALSE;
  }
  return TRUE;
}

/* Picks the output bitrate: the one downstream accepts nearest to the
 * property (the property's own when downstream takes any), announces it in
 * the output caps and makes the codec instance match. */
static gboolean
zeb_g719_enc_negotiate_bitrate (ZebG719Enc * self)
{
  GstAudioEncoder *enc = GST_AUDIO_ENCODER (self);
  /* Our own src pad has fixed caps once negotiated: ask the peer. */
  GstCaps *ours = gst_static_pad_template_get_caps (&src_template);
  GstCaps *offered = gst_pad_peer_query_caps (GST_AUDIO_ENCODER_SRC_PAD (enc), ours);
  GstCaps *caps = gst_caps_intersect_full (offered, ours, GST_CAPS_INTERSECT_FIRST);
  gst_caps_unref (offered);
  gst_caps_unref (ours);
  if (gst_caps_is_empty (caps)) {
    gst_caps_unref (caps);
    GST_ELEMENT_ERROR (self, CORE, NEGOTIATION,
        ("Downstream accepts none of the bitrates zebg719enc produces "
            "(32000, 48000 or 64000 bit/s)."), (nullptr));
    return FALSE;
  }
  caps = gst_caps_make_writable (gst_caps_truncate (caps));
  gst_structure_fixate_field_nearest_int (gst_caps_get_structure (caps, 0),
      "bitrate", g_atomic_int_get (&self->bitrate));
  caps = gst_caps_fixate (caps);
  gint bitrate = 0;
  gst_structure_get_int (gst_caps_get_structure (caps, 0), "bitrate", &bitrate);
  const gboolean ok = zeb_g719_enc_init_encoder (self, bitrate)
      && gst_audio_encoder_set_output_format (enc, caps);
  gst_caps_unref (caps);
  return ok;
}

static gboolean
zeb_g719_enc_start (GstAudioEncoder * enc)
{
  ZebG719Enc *self = ZEB_G719_ENC (enc);

  g_atomic_int_set (&self->bitrate_changed, FALSE);
  return zeb_g719_enc_init_encoder (self, g_atomic_int_get (&self->bitrate));
}

static gboolean
zeb_g719_enc_stop (GstAudioEncoder * enc)
{
  ZebG719Enc *self = ZEB_G719_ENC (enc);

  GST_DEBUG_OBJECT (self, "stop");
  g719_encoder_free (self->encoder);
  self->encoder = nullptr;
  self->active_bitrate = 0;
  return TRUE;
}

static gboolean
zeb_g719_enc_set_format (GstAudioEncoder * enc, GstAudioInfo *)
{
  ZebG719Enc *self = ZEB_G719_ENC (enc);
  const gboolean ok = zeb_g719_enc_negotiate_bitrate (self);

  gst_audio_encoder_set_frame_samples_min (enc, zeb_g719::kSamplesPerFrame);
  gst_audio_encoder_set_frame_samples_max (enc, zeb_g719::kSamplesPerFrame);
  gst_audio_encoder_set_hard_min (enc, TRUE);
  gst_audio_encoder_set_drainable (enc, FALSE);
  /* Without a limit on the number of blocks, the base class hands over every
   * whole block it holds in one call; one block per call keeps handle_frame
   * at exactly 960 samples. */
  gst_audio_encoder_set_frame_max (enc, 1);
  /* A block is encoded only once all of it has arrived. */
  gst_audio_encoder_set_latency (enc, zeb_g719::kFrameDurationNs, zeb_g719::kFrameDurationNs);
  return ok;
}

static GstFlowReturn
zeb_g719_enc_handle_frame (GstAudioEncoder * enc, GstBuffer * buffer)
{
  ZebG719Enc *self = ZEB_G719_ENC (enc);

  /* The base class is not drainable and hands over whole blocks only, so a
   * missing buffer has nothing to encode; a missing codec instance is an
   * error. */
  if (buffer == nullptr)
    return GST_FLOW_OK;
  if (self->encoder == nullptr) {
    GST_ELEMENT_ERROR (self, CORE, NEGOTIATION, ("Encoder is not started."), (nullptr));
    return GST_FLOW_NOT_NEGOTIATED;
  }
  /* A new bitrate, or downstream asking for other caps, applies from this
   * block on. */
  if (g_atomic_int_compare_and_exchange (&self->bitrate_changed, TRUE, FALSE) ||
      gst_pad_needs_reconfigure (GST_AUDIO_ENCODER_SRC_PAD (enc))) {
    if (!zeb_g719_enc_negotiate_bitrate (self))
      return GST_FLOW_NOT_NEGOTIATED;
  }

  GstMapInfo in_map;
  if (!gst_buffer_map (buffer, &in_map, GST_MAP_READ)) {
    GST_ELEMENT_ERROR (self, RESOURCE, READ, ("Could not map the input buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  GST_LOG_OBJECT (self, "Received buffer of size %llu",
      static_cast<unsigned long long> (in_map.size));

  if (in_map.size < zeb_g719::kBytesPerOutputFrame) {
    /* Cannot come from the base class with a hard minimum of 960 samples;
     * a short block is left unencoded like a final partial block. */
    gst_buffer_unmap (buffer, &in_map);
    GST_WARNING_OBJECT (self, "ignoring short block of %llu bytes",
        static_cast<unsigned long long> (in_map.size));
    return GST_FLOW_OK;
  }

  const gint32 bitrate = self->active_bitrate;
  const gsize out_size = zeb_g719::payload_bytes_for_bitrate (bitrate);
  GstBuffer *output = gst_audio_encoder_allocate_output_buffer (enc, out_size);
  if (output == nullptr) {
    gst_buffer_unmap (buffer, &in_map);
    GST_DEBUG_OBJECT (self, "failed to alloc buffer");
    return GST_FLOW_ERROR;
  }

  GstMapInfo out_map;
  if (!gst_buffer_map (output, &out_map, GST_MAP_WRITE)) {
    gst_buffer_unmap (buffer, &in_map);
    gst_buffer_unref (output);
    GST_ELEMENT_ERROR (self, RESOURCE, WRITE, ("Could not map the output buffer."), (nullptr));
    return GST_FLOW_ERROR;
  }
  zeb_g719::write_toc_entry (out_map.data,
      { false, unsigned (zeb_g719::length_code_for_bitrate (bitrate)), 1 });

  /* The samples are read as int16_t; copy them when the mapping is not
   * 2-byte aligned. */
  const int16_t *pcm = reinterpret_cast<const int16_t *> (in_map.data);
  int16_t aligned[zeb_g719::kSamplesPerFrame];
  if (reinterpret_cast<uintptr_t> (in_map.data) % alignof (int16_t) != 0) {
    std::memcpy (aligned, in_map.data, sizeof aligned);
    pcm = aligned;
  }
  g719_encode (self->encoder, pcm, out_map.data + zeb_g719::kTocBytes);

  gst_buffer_unmap (output, &out_map);
  gst_buffer_unmap (buffer, &in_map);
  GST_LOG_OBJECT (self, "Finished encoding");

  return gst_audio_encoder_finish_frame (enc, output, zeb_g719::kSamplesPerFrame);
}
