// zebg719parse pushed in pieces through a harness and behind filesrc:
// payloads framed and stamped, caps following the bitrate, damage skipped and
// never pushed, flushing, duration, seeking and type finding.
#include <gst/check/gstharness.h>

#include <algorithm>

#include "parse_test_support.h"
#include "payload_typefind.h"

namespace {

struct ParseRun {
  std::vector<Output> buffers;
  std::vector<int> caps_bitrates;
};

// Pushes data as a byte stream in pieces of `chunk` bytes through a new
// zebg719parse, then end of stream; a flushing seek to `resume` after
// `flush_at` bytes when given.
ParseRun run_parser (const Bytes &data, size_t chunk, size_t flush_at = SIZE_MAX, size_t resume = 0)
{
  GstHarness *h = new_harness ("zebg719parse", "audio/G719");
  GstSegment segment;
  gst_segment_init (&segment, GST_FORMAT_BYTES);
  gst_harness_push_event (h, gst_event_new_segment (&segment));
  for (size_t pos = 0; pos < data.size (); pos += chunk) {
    if (pos >= flush_at) {
      gst_harness_push_event (h, gst_event_new_flush_start ());
      gst_harness_push_event (h, gst_event_new_flush_stop (TRUE));
      segment.start = segment.position = segment.time = pos = resume;
      gst_harness_push_event (h, gst_event_new_segment (&segment));
      flush_at = SIZE_MAX;
    }
    GstBuffer *b = gst_buffer_new_memdup (data.data () + pos, std::min (chunk, data.size () - pos));
    EXPECT_EQ (gst_harness_push (h, b), GST_FLOW_OK);
  }
  gst_harness_push_event (h, gst_event_new_eos ());
  const ParseRun run {pull_all (h), caps_bitrates (h)};
  gst_harness_teardown (h);
  return run;
}

struct Scenario {
  std::string what;
  Stream stream;
  std::vector<size_t> kept;  // the payloads that come out, by index
};

std::vector<size_t> all_but (size_t n, size_t lost = SIZE_MAX)
{
  std::vector<size_t> v;
  for (size_t i = 0; i < n; i++)
    if (i != lost)
      v.push_back (i);
  return v;
}

std::vector<Scenario> scenarios ()
{
  std::vector<Scenario> list;
  std::mt19937 rng (5);
  for (unsigned l = 8; l <= 27; l++)
    list.push_back ({"L " + std::to_string (l), cbr_stream (l, l % 3 == 0 ? 3 : 1, 4, l), all_but (4)});
  const std::vector<std::vector<std::pair<unsigned, unsigned>>> changes = {
    {{16, 1}, {8, 1}, {16, 1}, {8, 1}, {16, 1}},
    {{8, 1}, {12, 1}, {12, 1}, {16, 1}, {16, 2}, {16, 2}, {27, 1}, {27, 1}},
    {{12, 1}, {16, 1}, {16, 1}, {16, 1}, {8, 4}},
    {{16, 1}, {16, 1}, {8, 1}, {16, 1}, {12, 1}, {12, 1}}};
  for (const auto &layouts : changes) {
    Scenario s {"layout changes", {}, all_but (layouts.size ())};
    for (auto [l, n] : layouts)
      s.stream.add (make_payload (l, n, l * n));
    list.push_back (s);
  }
  for (auto [at, junk] : {std::pair<size_t, size_t> {0, 333}, {3, 1}, {3, 2}, {3, 3}, {3, 81}, {3, 163}, {3, 1000}}) {
    Scenario s {std::to_string (junk) + " bytes of junk before " + std::to_string (at), {}, all_but (6)};
    for (size_t i = 0; i < 6; i++) {
      if (i == at)
        s.stream.append (make_garbage (junk, rng, 16, 1));
      s.stream.add (make_payload (16, 1, i));
    }
    list.push_back (s);
  }
  const uint8_t damages[][2] = {{0xC0, 1}, {0x00, 1}, {0x14, 1}, {0x78, 1}, {0x40, 0}, {0x40, 37}, {27 << 2, 1}, {0x20, 3}};
  for (const auto &d : damages)
    for (size_t victim : {0, 2, 5}) {
      Scenario s {"damaged " + std::to_string (d[0]) + "/" + std::to_string (d[1]) + " at " + std::to_string (victim),
        cbr_stream (16, 1, 6, d[0] + victim), all_but (6, victim)};
      std::copy (d, d + 2, s.stream.bytes.begin () + s.stream.offsets[victim]);
      list.push_back (s);
    }
  for (size_t cut : {1, 2, 100, 241}) {
    Scenario s {"cut " + std::to_string (cut), cbr_stream (12, 2, 4, 9), all_but (3)};
    s.stream.bytes.resize (s.stream.bytes.size () - cut);
    list.push_back (s);
  }
  return list;
}

TEST (ParseElement, FramesEveryLayoutAndSkipsOnlyDamage)
{
  for (const Scenario &s : scenarios ())
    for (size_t chunk : {size_t {1}, size_t {37}, size_t {500}, s.stream.bytes.size ()}) {
      SCOPED_TRACE (s.what + ", pieces of " + std::to_string (chunk));
      const ParseRun run = run_parser (s.stream.bytes, chunk);
      ASSERT_EQ (run.buffers.size (), s.kept.size ());
      GstClockTime t = 0;
      std::vector<int> bitrates;
      for (size_t i = 0; i < s.kept.size (); i++) {
        const Bytes &p = s.stream.payloads[s.kept[i]];
        EXPECT_EQ (run.buffers[i].bytes, p) << i;
        EXPECT_EQ (run.buffers[i].pts, t) << i;
        EXPECT_EQ (run.buffers[i].duration, p[1] * kFrame) << i;
        t += p[1] * kFrame;
        // A buffer that does not follow its predecessor in the stream starts a
        // discontinuity.
        if (i > 0) {
          EXPECT_EQ (run.buffers[i].discont, s.stream.offsets[s.kept[i]] != s.stream.offsets[s.kept[i - 1]] +
              s.stream.payloads[s.kept[i - 1]].size ()) << i;
        }
        const int bitrate = zeb_g719::bitrate_for_length_code (zeb_g719::read_toc_entry (p[0], p[1]).length_code);
        if (bitrates.empty () || bitrates.back () != bitrate)
          bitrates.push_back (bitrate);
      }
      EXPECT_EQ (run.caps_bitrates, bitrates);
    }
}

TEST (ParseElement, NoiseAndArbitraryBytesNeverYieldABrokenPayload)
{
  // A third of all byte pairs read as a valid table of contents; noise gives
  // no payload, alone or after real ones whose layout it might repeat.
  std::mt19937 rng (77);
  Stream s = cbr_stream (16, 1, 2, 1);
  const Bytes noise = make_garbage (1 << 18, rng);
  s.append (noise);
  const ParseRun run = run_parser (s.bytes, 4096);
  ASSERT_EQ (run.buffers.size (), 2u);
  EXPECT_EQ (run.buffers[1].bytes, s.payloads[1]);
  EXPECT_TRUE (run_parser (noise, 4096).buffers.empty ());

  for (unsigned seed = 1; seed <= 40; seed++) {
    Bytes mix;
    for (int piece = 0; piece < 10; piece++) {
      Bytes p = rng () % 2 ? make_payload (8 + rng () % 20, 1 + rng () % 3, rng ()) : make_garbage (rng () % 400, rng);
      if (rng () % 3 == 0 && !p.empty ())
        p.resize (rng () % p.size ());
      mix.insert (mix.end (), p.begin (), p.end ());
    }
    size_t total = 0;
    for (const Output &o : run_parser (mix, 1 + rng () % 1000).buffers) {
      ASSERT_GE (o.bytes.size (), 2u);
      const auto toc = zeb_g719::read_payload_toc (o.bytes[0], o.bytes[1]);
      EXPECT_EQ (toc.status, zeb_g719::TocStatus::valid) << seed;
      EXPECT_EQ (toc.payload_bytes, o.bytes.size ()) << seed;
      total += o.bytes.size ();
    }
    EXPECT_LE (total, mix.size ());
  }
}

TEST (ParseElement, FlushForgetsThePayloadBoundary)
{
  // After a flushing seek the data may restart inside a payload; bytes there
  // that look like the stream's own table of contents are not taken on trust.
  Stream s = cbr_stream (16, 1, 7, 12);
  const size_t resume = s.offsets[4] - 50;
  s.bytes[resume] = 0x40;
  s.bytes[resume + 1] = 0x01;
  const ParseRun run = run_parser (s.bytes, s.offsets[3], s.offsets[3], resume);
  // Payloads 0..2 may have gone out before the flush; after it, 4..6 do.
  const size_t n = run.buffers.size ();
  ASSERT_GE (n, 3u);
  for (size_t i = 0; i < n; i++)
    EXPECT_EQ (run.buffers[i].bytes, s.payloads[i + 3 >= n ? i + 7 - n : i]) << i;
}

std::string file_pipeline (const TempFile &f, bool push_mode)
{
  // A queue makes the parser work on pushed buffers instead of pulling.
  return "filesrc location=\"" + f.path + "\" ! " + (push_mode ? "queue ! " : "") + "zebg719parse ! appsink name=sink sync=false";
}

TEST (ParseFile, DurationOfAConstantLayoutAndSeeking)
{
  for (unsigned n : {1u, 4u})
    for (bool push_mode : {false, true}) {
      SCOPED_TRACE (::testing::Message () << "N " << n << (push_mode ? ", push mode" : ", pull mode"));
      const Stream s = cbr_stream (16, n, 150, 6);
      TempFile f (s.bytes);
      AppSinkPipeline p (file_pipeline (f, push_mode));
      ASSERT_TRUE (p.set_state (GST_STATE_PAUSED));
      gint64 duration = -1;
      ASSERT_TRUE (gst_element_query_duration (p.pipeline, GST_FORMAT_TIME, &duration));
      EXPECT_EQ (duration, static_cast<gint64> (150 * n * kFrame));
      ASSERT_TRUE (p.set_state (GST_STATE_PLAYING));
      // The first buffer after a seek is the payload covering the target.
      for (auto [target, payload] : {std::pair {GST_SECOND, 50 / n}, {2030 * GST_MSECOND, 101 / n}, {170 * GST_MSECOND, 8 / n}})
        for (GstSeekFlags mode : {GST_SEEK_FLAG_ACCURATE, GST_SEEK_FLAG_KEY_UNIT}) {
          ASSERT_TRUE (gst_element_seek_simple (p.pipeline, GST_FORMAT_TIME,
              static_cast<GstSeekFlags> (GST_SEEK_FLAG_FLUSH | mode), static_cast<gint64> (target)));
          const auto out = p.pull (1);
          ASSERT_EQ (out.size (), 1u);
          EXPECT_EQ (out[0].bytes, s.payloads[payload]) << target;
          EXPECT_EQ (out[0].pts, payload * n * kFrame) << target;
        }
    }
}

TEST (ParseFile, TypeFindingAndAutopluggingDecodeItLikeItsPayloads)
{
  // A file as zebg719enc writes it, at the encoder's three bitrates, played as
  // players do: type finding, then the parser and the decoder autoplugged (the
  // decoder's rank raised, as GST_PLUGIN_FEATURE_RANK=zebg719dec:PRIMARY does).
  Stream s;
  for (int bitrate : {64000, 32000, 48000})
    for (const Bytes &p : codec_encode (bitrate, test_signal (960 * 10, bitrate)))
      s.add (p);
  TempFile f (s.bytes);
  AppSinkPipeline p ("filesrc location=\"" + f.path + "\" ! decodebin ! appsink name=sink sync=false");
  GstPluginFeature *dec = gst_registry_lookup_feature (gst_registry_get (), "zebg719dec");
  gst_plugin_feature_set_rank (dec, GST_RANK_PRIMARY);
  gst_object_unref (dec);
  ASSERT_TRUE (p.set_state (GST_STATE_PLAYING));
  const auto out = p.pull ();
  EXPECT_EQ (joined (out), codec_decode (s.payloads));
  GstClockTime t = 0;
  for (const Output &o : out) {
    EXPECT_EQ (o.pts, t);
    t += o.duration;
  }
  EXPECT_EQ (t, 30 * kFrame);
}

TEST (ParseFile, TypeFindingProbabilityGrowsWithEvidence)
{
  auto probability = [] (const Bytes &data) {
    return payload_chain_probability (walk_payload_chain ([&data] (std::uint64_t offset) {
      return offset + 2 <= data.size () ? data.data () + offset : nullptr;
    }, kTypefindChainLength), data.size ());
  };
  auto payloads = [] (std::initializer_list<unsigned> length_codes) {
    Stream s;
    for (unsigned l : length_codes)
      s.add (make_payload (l, 1));
    return s.bytes;
  };
  EXPECT_EQ (probability (payloads ({12, 12, 12, 12, 12})), GST_TYPE_FIND_NEARLY_CERTAIN);
  EXPECT_EQ (probability (payloads ({12, 16, 8, 12})), GST_TYPE_FIND_LIKELY);
  EXPECT_EQ (probability (payloads ({12, 16})), GST_TYPE_FIND_LIKELY) << "the whole file";
  EXPECT_EQ (probability (payloads ({12})), GST_TYPE_FIND_POSSIBLE) << "the whole file";
  // Two payloads followed by something that is not one, a header of another
  // format, silence: not ours.
  Bytes broken = payloads ({12, 12, 12});
  broken[2 * 122] = 0x00;
  EXPECT_EQ (probability (broken), GST_TYPE_FIND_NONE);
  EXPECT_EQ (probability ({'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'}), GST_TYPE_FIND_NONE);
  EXPECT_EQ (probability (Bytes (4000, 0)), GST_TYPE_FIND_NONE);
}

}  // namespace
