#include "element_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

#include "frame/g719_codec.h"
#include "payload_toc.h"

namespace zeb_test {

FailingDefaultAllocator::FailingDefaultAllocator () : previous_ (gst_allocator_find (nullptr))
{
  // An allocator type whose alloc gives nothing.
  static const GType type = g_type_register_static_simple (GST_TYPE_ALLOCATOR, "ZebTestFailingAllocator",
      sizeof (GstAllocatorClass), [] (gpointer klass, gpointer) {
        GST_ALLOCATOR_CLASS (klass)->alloc = [] (GstAllocator *, gsize, GstAllocationParams *) -> GstMemory * { return nullptr; };
      }, sizeof (GstAllocator), nullptr, GTypeFlags (0));
  gst_allocator_set_default (GST_ALLOCATOR_CAST (g_object_new (type, nullptr)));
}

FailingDefaultAllocator::~FailingDefaultAllocator () { gst_allocator_set_default (previous_); }

GstHarness *new_harness (const char *factory, const char *input_caps, const char *property, int value)
{
  gst_init (nullptr, nullptr);  // once; later calls do nothing
  GstElement *element = gst_element_factory_make (factory, nullptr);
  if (element == nullptr)
    return nullptr;
  if (property != nullptr)
    g_object_set (element, property, value, nullptr);
  GstBus *bus = gst_bus_new ();  // for the element's error messages
  gst_element_set_bus (element, bus);
  gst_object_unref (bus);
  GstHarness *h = gst_harness_new_with_element (element, "sink", "src");
  gst_object_unref (element);
  if (input_caps != nullptr)
    gst_harness_set_src_caps_str (h, input_caps);
  return h;
}

GstBuffer *buffer_from_bytes (const Bytes &bytes, GstClockTime pts, GstClockTime duration)
{
  GstBuffer *buffer = gst_buffer_new_memdup (bytes.data (), bytes.size ());
  GST_BUFFER_PTS (buffer) = pts;
  GST_BUFFER_DURATION (buffer) = duration;
  return buffer;
}

Bytes bytes_of (GstBuffer *buffer)
{
  Bytes bytes (gst_buffer_get_size (buffer));
  gst_buffer_extract (buffer, 0, bytes.data (), bytes.size ());
  return bytes;
}

Bytes pcm_bytes (const std::vector<int16_t> &samples)
{
  Bytes bytes;
  for (int16_t s : samples)
    bytes.insert (bytes.end (), {static_cast<uint8_t> (s & 0xFF), static_cast<uint8_t> (static_cast<uint16_t> (s) >> 8)});
  return bytes;
}

std::vector<int16_t> test_signal (size_t samples, uint32_t seed)
{
  std::vector<int16_t> out (samples);
  uint32_t noise = seed;
  for (size_t i = 0; i < samples; i++) {
    const double t = static_cast<double> (i) / 48000.0;
    double v = 6000.0 * std::sin (2 * M_PI * 440.0 * t) + 3000.0 * std::sin (2 * M_PI * (1200.0 + 37.0 * seed) * t);
    noise = noise * 1664525u + 1013904223u;
    if (i % 14400 < 400)
      v += static_cast<double> (static_cast<int32_t> (noise >> 16) - 32768) * 0.5;
    out[i] = static_cast<int16_t> (std::lround (std::fmax (-32768.0, std::fmin (32767.0, v))));
  }
  return out;
}

std::vector<Output> pull_all (GstHarness *h)
{
  std::vector<Output> out;
  while (GstBuffer *b = gst_harness_try_pull (h)) {
    out.push_back ({bytes_of (b), GST_BUFFER_PTS (b), GST_BUFFER_DURATION (b), GST_BUFFER_IS_DISCONT (b)});
    gst_buffer_unref (b);
  }
  return out;
}

Bytes joined (const std::vector<Output> &outputs)
{
  Bytes all;
  for (const Output &o : outputs)
    all.insert (all.end (), o.bytes.begin (), o.bytes.end ());
  return all;
}

std::vector<int> caps_bitrates (GstHarness *h)
{
  std::vector<int> bitrates;
  while (GstEvent *e = gst_harness_try_pull_event (h)) {
    GstCaps *caps = nullptr;
    if (GST_EVENT_TYPE (e) == GST_EVENT_CAPS) {
      gst_event_parse_caps (e, &caps);
      gst_structure_get_int (gst_caps_get_structure (caps, 0), "bitrate", &bitrates.emplace_back ());
    }
    gst_event_unref (e);
  }
  return bitrates;
}

Bytes make_payload (unsigned length_code, unsigned n, uint32_t seed, uint8_t low_bits)
{
  const size_t b = zeb_g719::frame_bytes_for_length_code (length_code);
  Bytes p (2 + n * b);
  p[0] = static_cast<uint8_t> (length_code << 2 | low_bits);
  p[1] = static_cast<uint8_t> (n);
  for (size_t i = 2; i < p.size (); i++) {
    seed = seed * 1103515245u + 12345u;
    p[i] = static_cast<uint8_t> (seed >> 16);
  }
  return p;
}

Bytes codec_decode (const std::vector<Bytes> &payloads)
{
  std::vector<int16_t> pcm;
  G719DecoderState *dec = nullptr;
  int bitrate = 0;
  for (const Bytes &p : payloads) {
    const unsigned length_code = zeb_g719::read_toc_entry (p[0], p[1]).length_code;
    const unsigned b = zeb_g719::frame_bytes_for_length_code (length_code);
    if (zeb_g719::bitrate_for_length_code (length_code) != bitrate) {
      g719_decoder_free (dec);
      bitrate = zeb_g719::bitrate_for_length_code (length_code);
      dec = g719_decoder_create (bitrate);
    }
    const Bytes lost (b, 0);
    for (unsigned i = 0; i < std::max (1u, unsigned (p[1])); i++) {
      int16_t out[960];
      g719_decode (dec, p[1] == 0 ? lost.data () : p.data () + 2 + i * b, out, p[1] == 0);
      pcm.insert (pcm.end (), out, out + 960);
    }
  }
  g719_decoder_free (dec);
  return pcm_bytes (pcm);
}

std::vector<Bytes> codec_encode (int bitrate, const std::vector<int16_t> &samples)
{
  G719EncoderState *enc = g719_encoder_create (bitrate);
  std::vector<Bytes> payloads;
  for (size_t pos = 0; pos + 960 <= samples.size (); pos += 960) {
    Bytes p (zeb_g719::payload_bytes_for_bitrate (bitrate));
    zeb_g719::write_toc_entry (p.data (),
        zeb_g719::TocEntry { false, unsigned (zeb_g719::length_code_for_bitrate (bitrate)), 1 });
    g719_encode (enc, samples.data () + pos, p.data () + zeb_g719::kTocBytes);
    payloads.push_back (p);
  }
  g719_encoder_free (enc);
  return payloads;
}

void restart (GstHarness *h, const char *input_caps)
{
  EXPECT_EQ (gst_element_set_state (h->element, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  EXPECT_NE (gst_element_set_state (h->element, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  gst_harness_push_event (h, gst_event_new_stream_start ("again"));
  gst_harness_set_src_caps_str (h, input_caps);
}

GError *take_bus_error (GstHarness *h)
{
  GstMessage *m = gst_bus_pop_filtered (GST_ELEMENT_BUS (h->element), GST_MESSAGE_ERROR);
  GError *error = nullptr;
  if (m != nullptr)
    gst_message_parse_error (m, &error, nullptr), gst_message_unref (m);
  return error;
}

}  // namespace zeb_test
