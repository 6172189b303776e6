// The audio side of the g719-codec tool: 48 kHz mono signed 16-bit samples,
// read from and written to headerless little-endian files or WAV files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "byte_streams.h"

namespace g719_tool {

// Reads the input of the encoder one 960-sample frame at a time. Input that
// starts with a RIFF/WAVE header is read as WAV: 16-bit integer PCM at
// 48000 Hz, mono, is taken from its data chunk, anything else is refused
// with a message saying what the file holds. Other input is headerless
// S16LE; a name ending in ".wav" without a WAV header is refused.
class PcmReader {
 public:
  explicit PcmReader(InputStream &in);

  // Reads the next frame into pcm[0..959]; false at the end of the audio.
  // A partial last frame is padded with silence (see padded_samples()); an
  // odd number of bytes is refused.
  bool read_frame(std::int16_t *pcm);
  // Samples of silence added to complete the last frame, 0..959.
  unsigned padded_samples() const { return padded_samples_; }
  bool is_wav() const { return is_wav_; }

 private:
  void read_wav_header();
  std::size_t read_audio(unsigned char *data, std::size_t bytes);

  InputStream &in_;
  std::vector<unsigned char> sniffed_;  // bytes read to look for a header, still to be used as audio
  std::uint64_t audio_left_ = UINT64_MAX;  // bytes left in a WAV data chunk
  std::uint64_t audio_bytes_ = 0;
  unsigned padded_samples_ = 0;
  bool is_wav_ = false;
};

// Writes the decoder's output: headerless S16LE, or a 48 kHz mono 16-bit
// WAV file whose sizes are filled in by finish() (left at the "unknown"
// value 0xFFFFFFFF when the output cannot seek).
class PcmWriter {
 public:
  PcmWriter(OutputStream &out, bool wav);
  void write_frame(const std::int16_t *pcm);
  void finish();

 private:
  OutputStream &out_;
  bool wav_;
  std::uint64_t audio_bytes_ = 0;
};

// Whether a path names a WAV file (ends in ".wav", any case).
bool has_wav_name(const std::string &path);

}  // namespace g719_tool
