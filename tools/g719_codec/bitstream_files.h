// The coded side of the g719-codec tool: frames in one of three file
// formats.
//
//   payloads  what zebg719enc writes and zebg719parse reads: per payload a
//             two-byte table of contents (F, length code L, frame count N)
//             and N frames; the bitrate comes from L and may change from one
//             payload to the next; L = 0 stands for N missing frames.
//   frames    bare frames back to back, bitrate / 400 bytes each, at one
//             bitrate given on the command line (the conformance vectors).
//   g192      the ITU-T bitstream exchange format: per frame a sync word
//             (0x6B21 good, 0x6B20 erased), a length word (the number of
//             bits), then one word per bit, 0x007F for 0 and 0x0081 for 1;
//             16-bit little-endian words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "byte_streams.h"
#include "frame/g719_codec.h"

namespace g719_tool {

enum class BitstreamFormat { payloads, frames, g192 };

std::optional<BitstreamFormat> parse_bitstream_format(std::string_view name);
const char *bitstream_format_name(BitstreamFormat format);
// The format a bitstream file has unless told otherwise: g192 for names
// ending in ".g192" or ".192", payloads for everything else ("-" too).
BitstreamFormat default_bitstream_format(const std::string &path);
// Whether a format stores frames of this bitrate; *why says why not.
bool format_carries_bitrate(BitstreamFormat format, std::int32_t bitrate, std::string *why);

// Writes frames of one bitrate in a format.
class FrameWriter {
 public:
  FrameWriter(BitstreamFormat format, std::int32_t bitrate, OutputStream &out);
  // Writes one frame of bitrate / 400 bytes.
  void write(const std::uint8_t *frame);

 private:
  BitstreamFormat format_;
  std::int32_t bitrate_;
  OutputStream &out_;
};

// One frame slot of a bitstream file.
struct CodedFrame {
  const std::uint8_t *bytes = nullptr;  // bitrate / 400 bytes; null for a missing or erased frame
  std::int32_t bitrate = 0;             // of bytes; 0 when bytes is null
};

// Reads frame slots from a file in a format. Damaged or unsupported input is
// refused (ToolError) with the byte offset and what is wrong there; the
// reader never reads past what it was given.
class FrameReader {
 public:
  // bitrate: the one bitrate of a frames file; not used by other formats.
  FrameReader(BitstreamFormat format, std::int32_t bitrate, InputStream &in);
  // The next frame slot; false at the end of the file.
  bool next(CodedFrame *frame);

 private:
  bool next_payload_frame(CodedFrame *frame);
  bool next_bare_frame(CodedFrame *frame);
  bool next_g192_frame(CodedFrame *frame);

  BitstreamFormat format_;
  InputStream &in_;
  std::int32_t bitrate_;  // of the frames being read (payloads: of the current payload)
  long slot_ = 0;         // 0-based number of the next frame slot
  long payload_ = -1;     // 0-based number of the current payload
  unsigned payload_frames_left_ = 0;
  std::uint8_t frame_[G719_MAX_FRAME_BYTES];
};

}  // namespace g719_tool
