#include "coding.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "byte_streams.h"
#include "frame/g719_codec.h"
#include "messages.h"
#include "pcm_files.h"

namespace g719_tool {
namespace {

constexpr double kFrameSeconds = 0.02;

// Refuses to write over the input: the output is created (emptied) first.
void check_distinct_files(const Options &options) {
  std::error_code error;
  if (!is_standard_stream(options.input) && !is_standard_stream(options.output) &&
      std::filesystem::equivalent(options.input, options.output, error))
    fail(kUsageError, "the input and the output are the same file, '%s'", options.output.c_str());
}

// The codec decoder of the frames being read; replaced when the bitrate
// changes, as the decoder element does, so each stretch decodes as from a
// fresh decoder.
class DecoderSlot {
 public:
  ~DecoderSlot() { g719_decoder_free(decoder_); }
  // Decodes a frame slot; bytes == nullptr (or lost) conceals it.
  void decode(const CodedFrame &frame, bool lost, std::int16_t *pcm) {
    if (!lost && frame.bitrate != bitrate_) {
      g719_decoder_free(decoder_);
      decoder_ = g719_decoder_create(frame.bitrate);
      bitrate_ = frame.bitrate;
      ++decoders_;
    }
    static constexpr std::uint8_t kNoBytes[G719_MAX_FRAME_BYTES] = {};
    if (decoder_ == nullptr) {
      std::fill_n(pcm, G719_FRAME_SAMPLES, 0);  // lost before the first frame: silence
    } else {
      g719_decode(decoder_, lost ? kNoBytes : frame.bytes, pcm, lost ? 1 : 0);
    }
  }
  std::int32_t bitrate() const { return bitrate_; }
  // Decoders made so far: 1 + the bitrate changes after the first frame.
  int decoders() const { return decoders_; }

 private:
  G719DecoderState *decoder_ = nullptr;
  std::int32_t bitrate_ = 0;
  int decoders_ = 0;
};

}  // namespace

void run_encode(const Options &options) {
  if (!options.bitrate) fail(kUsageError, "--bitrate is required");
  const BitstreamFormat bitstream = options.format.value_or(default_bitstream_format(options.output));
  std::string why;
  if (!format_carries_bitrate(bitstream, *options.bitrate, &why)) fail(kUsageError, "%s", why.c_str());
  check_distinct_files(options);

  InputStream in(options.input);
  PcmReader audio(in);
  OutputStream out(options.output);
  FrameWriter writer(bitstream, *options.bitrate, out);
  const std::unique_ptr<G719EncoderState, decltype(&g719_encoder_free)> encoder(
      g719_encoder_create(*options.bitrate), &g719_encoder_free);
  long frames = 0;
  for (std::int16_t pcm[G719_FRAME_SAMPLES]; audio.read_frame(pcm); ++frames) {
    std::uint8_t frame[G719_MAX_FRAME_BYTES];
    g719_encode(encoder.get(), pcm, frame);
    writer.write(frame);
  }
  out.finish();

  if (audio.padded_samples() != 0) {
    warn("%s ends in a partial frame of %u samples; padded with %u samples of silence", in.name().c_str(),
         G719_FRAME_SAMPLES - audio.padded_samples(), audio.padded_samples());
  }
  note("%ld frames (%.2f s) of %s at %d bit/s as %s", frames, frames * kFrameSeconds,
       audio.is_wav() ? "WAV audio" : "raw audio", *options.bitrate, bitstream_format_name(bitstream));
}

void run_decode(const Options &options) {
  const BitstreamFormat bitstream = options.format.value_or(default_bitstream_format(options.input));
  std::string why;
  if (bitstream == BitstreamFormat::frames) {
    if (!options.bitrate) fail(kUsageError, "--bitrate is required for --format frames");
    if (!format_carries_bitrate(bitstream, *options.bitrate, &why)) fail(kUsageError, "%s", why.c_str());
  } else if (options.bitrate) {
    fail(kUsageError,
         "--bitrate applies to --format frames only: %s files carry their bitrate (bare frames need --format frames)",
         bitstream_format_name(bitstream));
  }
  check_distinct_files(options);

  InputStream in(options.input);
  OutputStream out(options.output);
  PcmWriter audio(out, has_wav_name(options.output));
  FrameReader reader(bitstream, options.bitrate.value_or(0), in);
  DecoderSlot decoder;
  long frames = 0, lost = 0;
  for (CodedFrame frame; reader.next(&frame); ++frames) {
    const bool is_lost = frame.bytes == nullptr || options.lost_frames.count(frames) != 0;
    std::int16_t pcm[G719_FRAME_SAMPLES];
    decoder.decode(frame, is_lost, pcm);
    audio.write_frame(pcm);
    lost += is_lost ? 1 : 0;
  }
  audio.finish();

  if (!options.lost_frames.empty() && *options.lost_frames.rbegin() >= frames) {
    warn("lost frame %ld is beyond the %ld frames of the stream", *options.lost_frames.rbegin(), frames);
  }
  note("%ld frames (%.2f s) of %s, %ld lost, at %d bit/s%s", frames, frames * kFrameSeconds,
       bitstream_format_name(bitstream), lost, decoder.bitrate(),
       decoder.decoders() > 1 ? format(" after %d bitrate changes", decoder.decoders() - 1).c_str() : "");
}

}  // namespace g719_tool
