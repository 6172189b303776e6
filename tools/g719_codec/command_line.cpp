#include "command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "frame/g719_codec.h"
#include "messages.h"

namespace g719_tool {
namespace {

// A decimal number in range of long, the whole text; false otherwise.
bool parse_number(const std::string &text, long *value) {
  if (text.empty() || (text[0] != '-' && (text[0] < '0' || text[0] > '9'))) return false;
  errno = 0;
  char *end = nullptr;
  *value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

std::int32_t parse_bitrate(const std::string &text) {
  long value = 0;
  if (!parse_number(text, &value) || value < INT32_MIN || value > INT32_MAX)
    fail(kUsageError, "bitrate '%s' is not a number", text.c_str());
  return static_cast<std::int32_t>(value);
}

// A comma-separated list of 0-based frame numbers.
std::set<long> parse_frame_list(const std::string &text) {
  std::set<long> frames;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    long frame = 0;
    if (!parse_number(text.substr(start, comma - start), &frame) || frame < 0)
      fail(kUsageError, "--lost '%s' is not a comma-separated list of frame numbers", text.c_str());
    frames.insert(frame);
    if (comma == std::string::npos) return frames;
    start = comma + 1;
  }
}

}  // namespace

void print_usage(std::FILE *out) {
  std::fprintf(out,
               "usage: g719-codec encode --bitrate B [--format F] IN OUT\n"
               "       g719-codec decode [--bitrate B] [--format F] [--lost LIST] IN OUT\n"
               "\n"
               "Audio (encode IN, decode OUT): 48000 Hz mono signed 16-bit, either a WAV file or\n"
               "headerless little-endian samples; decode writes WAV when OUT ends in .wav. A partial\n"
               "last frame of input is padded with silence (with a warning).\n"
               "\n"
               "Coded files (encode OUT, decode IN), --format F:\n"
               "  payloads  a two-byte table of contents and the frames of each payload, as\n"
               "            zebg719enc writes and zebg719parse reads; the bitrate comes from each\n"
               "            table of contents (the default, except for .g192/.192 names)\n"
               "  frames    bare frames of B / 400 bytes; decode needs --bitrate B\n"
               "  g192      ITU-T G.192 words (sync 0x6B21 good / 0x6B20 erased, bit count, one\n"
               "            16-bit word per bit); erased frames are decoded as lost\n"
               "\n"
               "B: bit/s, a multiple of 400 from %d to %d (payloads: 32000..88000 in steps of 4000,\n"
               "96000..128000 in steps of 8000). LIST: 0-based frame numbers decoded as lost, e.g.\n"
               "5,6,20. IN or OUT '-' is standard input or output.\n",
               G719_MIN_BITRATE, G719_MAX_BITRATE);
}

Options parse_options(Command command, int argc, char **argv) {
  Options options;
  options.command = command;
  int paths = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.size() < 2 || arg.substr(0, 2) != "--") {
      if (arg.size() > 1 && arg[0] == '-') fail(kUsageError, "unknown option '%s'", argv[i]);
      if (paths == 2) fail(kUsageError, "unexpected argument '%s'", argv[i]);
      (paths++ == 0 ? options.input : options.output) = argv[i];
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name(arg.substr(0, equals));
    if (name != "--bitrate" && name != "--format" && (name != "--lost" || command != Command::decode))
      fail(kUsageError, "unknown option '%s'", name.c_str());
    std::string value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      fail(kUsageError, "%s needs a value", name.c_str());
    }
    if (name == "--bitrate") {
      options.bitrate = parse_bitrate(value);
    } else if (name == "--lost") {
      options.lost_frames = parse_frame_list(value);
    } else if (!(options.format = parse_bitstream_format(value))) {
      fail(kUsageError, "unknown format '%s' (payloads, frames or g192)", value.c_str());
    }
  }
  if (paths != 2) fail(kUsageError, "expected an input and an output file");
  return options;
}

}  // namespace g719_tool
