// g719-codec: developer and test tool around the codec's frame API.
//
//   g719-codec encode --bitrate B IN.pcm OUT.g719
//   g719-codec decode --bitrate B [--lost LIST] IN.g719 OUT.pcm
//
// IN.pcm is headerless S16LE mono at 48 kHz. Every whole 960-sample frame is
// encoded (a trailing partial frame is dropped) and the frames are written
// back to back, B / 400 bytes each, without a table of contents.
//
// decode reads such back-to-back frames and writes 960 S16LE samples per
// frame. LIST is a comma-separated list of 0-based frame numbers that are
// decoded as lost (concealed). A trailing partial frame is an error: the
// output is removed and the exit status is 1.
//
// Subcommands are dispatched on argv[1]; each one is a function taking the
// remaining arguments and returning the process exit status.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "frame/g719_codec.h"

namespace {

constexpr const char *kProgram = "g719-codec";

void print_usage(std::FILE *out) {
  std::fprintf(out,
               "usage: %s encode --bitrate B IN.pcm OUT.g719\n"
               "       %s decode --bitrate B [--lost LIST] IN.g719 OUT.pcm\n"
               "  encode: headerless S16LE mono 48 kHz in, G.719 frames (B / 400 bytes each) out;\n"
               "  decode: G.719 frames in, headerless S16LE mono 48 kHz out; LIST is comma-separated\n"
               "          0-based frame numbers decoded as lost;\n"
               "          B is a multiple of 400 from %d to %d bit/s\n",
               kProgram, kProgram, G719_MIN_BITRATE, G719_MAX_BITRATE);
}

// Parses a decimal bitrate; false unless the whole text is a number in range
// of int32.
bool parse_bitrate(const char *text, int32_t *bitrate) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char *end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  *bitrate = static_cast<int32_t>(v);
  return true;
}

// Options and positional arguments of a coding subcommand.
struct CodingArgs {
  const char *bitrate_text = nullptr;
  const char *input = nullptr;
  const char *output = nullptr;
};

// Accepts "--bitrate B" or "--bitrate=B" anywhere and exactly two paths;
// also "--lost LIST" or "--lost=LIST" when lost_text is given.
bool parse_coding_args(int argc, char **argv, CodingArgs *args, const char *command,
                       const char **lost_text = nullptr) {
  int positional = 0;
  for (int i = 0; i < argc; ++i) {
    const char *a = argv[i];
    if (std::strcmp(a, "--bitrate") == 0) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s %s: --bitrate needs a value\n", kProgram, command);
        return false;
      }
      args->bitrate_text = argv[++i];
    } else if (std::strncmp(a, "--bitrate=", 10) == 0) {
      args->bitrate_text = a + 10;
    } else if (lost_text != nullptr && std::strcmp(a, "--lost") == 0) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s %s: --lost needs a value\n", kProgram, command);
        return false;
      }
      *lost_text = argv[++i];
    } else if (lost_text != nullptr && std::strncmp(a, "--lost=", 7) == 0) {
      *lost_text = a + 7;
    } else if (a[0] == '-' && a[1] != '\0') {
      std::fprintf(stderr, "%s %s: unknown option '%s'\n", kProgram, command, a);
      return false;
    } else if (positional == 0) {
      args->input = a;
      ++positional;
    } else if (positional == 1) {
      args->output = a;
      ++positional;
    } else {
      std::fprintf(stderr, "%s %s: unexpected argument '%s'\n", kProgram, command, a);
      return false;
    }
  }
  if (args->bitrate_text == nullptr) {
    std::fprintf(stderr, "%s %s: --bitrate is required\n", kProgram, command);
    return false;
  }
  if (positional != 2) {
    std::fprintf(stderr, "%s %s: expected an input and an output file\n", kProgram, command);
    return false;
  }
  return true;
}

int run_encode(int argc, char **argv) {
  CodingArgs args;
  if (!parse_coding_args(argc, argv, &args, "encode")) {
    print_usage(stderr);
    return 2;
  }
  int32_t bitrate = 0;
  if (!parse_bitrate(args.bitrate_text, &bitrate)) {
    std::fprintf(stderr, "%s encode: bitrate '%s' is not a number\n", kProgram, args.bitrate_text);
    return 2;
  }
  G719EncoderState *enc = g719_encoder_create(bitrate);
  if (enc == nullptr) {
    std::fprintf(stderr, "%s encode: unsupported bitrate %d (use a multiple of 400 from %d to %d)\n", kProgram,
                 bitrate, G719_MIN_BITRATE, G719_MAX_BITRATE);
    return 2;
  }

  std::FILE *in = std::fopen(args.input, "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "%s encode: cannot open input '%s': %s\n", kProgram, args.input, std::strerror(errno));
    g719_encoder_free(enc);
    return 1;
  }
  std::FILE *out = std::fopen(args.output, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "%s encode: cannot create output '%s': %s\n", kProgram, args.output, std::strerror(errno));
    std::fclose(in);
    g719_encoder_free(enc);
    return 1;
  }

  const size_t frame_bytes = static_cast<size_t>(g719_encoder_frame_bytes(enc));
  int status = 0;
  long frames = 0;
  for (;;) {
    unsigned char raw[G719_FRAME_SAMPLES * 2];
    const size_t got = std::fread(raw, 1, sizeof raw, in);
    if (got < sizeof raw) {
      if (std::ferror(in)) {
        std::fprintf(stderr, "%s encode: error reading '%s'\n", kProgram, args.input);
        status = 1;
      }
      break;  // end of input; a partial frame is dropped
    }
    int16_t pcm[G719_FRAME_SAMPLES];
    for (int i = 0; i < G719_FRAME_SAMPLES; ++i) {
      pcm[i] = static_cast<int16_t>(static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
    }
    uint8_t frame[G719_MAX_FRAME_BYTES];
    g719_encode(enc, pcm, frame);
    if (std::fwrite(frame, 1, frame_bytes, out) != frame_bytes) {
      std::fprintf(stderr, "%s encode: error writing '%s'\n", kProgram, args.output);
      status = 1;
      break;
    }
    ++frames;
  }

  std::fclose(in);
  if (std::fclose(out) != 0 && status == 0) {
    std::fprintf(stderr, "%s encode: error writing '%s'\n", kProgram, args.output);
    status = 1;
  }
  g719_encoder_free(enc);
  if (status == 0) std::fprintf(stderr, "%s encode: %ld frames at %d bit/s\n", kProgram, frames, bitrate);
  return status;
}

// Parses a comma-separated list of 0-based frame numbers.
bool parse_frame_list(const char *text, std::set<long> *frames) {
  const char *p = text;
  if (p == nullptr || *p == '\0') return false;
  for (;;) {
    if (*p < '0' || *p > '9') return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (errno != 0) return false;
    frames->insert(v);
    if (*end == '\0') return true;
    if (*end != ',') return false;
    p = end + 1;
  }
}

int run_decode(int argc, char **argv) {
  CodingArgs args;
  const char *lost_text = nullptr;
  if (!parse_coding_args(argc, argv, &args, "decode", &lost_text)) {
    print_usage(stderr);
    return 2;
  }
  int32_t bitrate = 0;
  if (!parse_bitrate(args.bitrate_text, &bitrate)) {
    std::fprintf(stderr, "%s decode: bitrate '%s' is not a number\n", kProgram, args.bitrate_text);
    return 2;
  }
  std::set<long> lost;
  if (lost_text != nullptr && !parse_frame_list(lost_text, &lost)) {
    std::fprintf(stderr, "%s decode: --lost '%s' is not a comma-separated list of frame numbers\n", kProgram,
                 lost_text);
    return 2;
  }
  G719DecoderState *dec = g719_decoder_create(bitrate);
  if (dec == nullptr) {
    std::fprintf(stderr, "%s decode: unsupported bitrate %d (use a multiple of 400 from %d to %d)\n", kProgram,
                 bitrate, G719_MIN_BITRATE, G719_MAX_BITRATE);
    return 2;
  }

  std::FILE *in = std::fopen(args.input, "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "%s decode: cannot open input '%s': %s\n", kProgram, args.input, std::strerror(errno));
    g719_decoder_free(dec);
    return 1;
  }
  std::FILE *out = std::fopen(args.output, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "%s decode: cannot create output '%s': %s\n", kProgram, args.output, std::strerror(errno));
    std::fclose(in);
    g719_decoder_free(dec);
    return 1;
  }

  const size_t frame_bytes = static_cast<size_t>(g719_decoder_frame_bytes(dec));
  int status = 0;
  long frames = 0;
  for (;;) {
    uint8_t frame[G719_MAX_FRAME_BYTES];
    const size_t got = std::fread(frame, 1, frame_bytes, in);
    if (got < frame_bytes) {
      if (std::ferror(in)) {
        std::fprintf(stderr, "%s decode: error reading '%s'\n", kProgram, args.input);
        status = 1;
      } else if (got != 0) {
        std::fprintf(stderr,
                     "%s decode: '%s' ends in a partial frame: %zu bytes after %ld whole frames of %zu bytes "
                     "(%d bit/s)\n",
                     kProgram, args.input, got, frames, frame_bytes, bitrate);
        status = 1;
      }
      break;
    }
    int16_t pcm[G719_FRAME_SAMPLES];
    g719_decode(dec, frame, pcm, lost.count(frames) != 0 ? 1 : 0);
    unsigned char raw[G719_FRAME_SAMPLES * 2];
    for (int i = 0; i < G719_FRAME_SAMPLES; ++i) {
      const uint16_t v = static_cast<uint16_t>(pcm[i]);
      raw[2 * i] = static_cast<unsigned char>(v & 0xFF);
      raw[2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
    if (std::fwrite(raw, 1, sizeof raw, out) != sizeof raw) {
      std::fprintf(stderr, "%s decode: error writing '%s'\n", kProgram, args.output);
      status = 1;
      break;
    }
    ++frames;
  }

  std::fclose(in);
  if (std::fclose(out) != 0 && status == 0) {
    std::fprintf(stderr, "%s decode: error writing '%s'\n", kProgram, args.output);
    status = 1;
  }
  g719_decoder_free(dec);
  if (status != 0) {
    std::remove(args.output);  // no half-decoded output is left behind
    return status;
  }
  if (!lost.empty() && *lost.rbegin() >= frames) {
    std::fprintf(stderr, "%s decode: note: lost frame %ld is beyond the %ld frames of the stream\n", kProgram,
                 *lost.rbegin(), frames);
  }
  std::fprintf(stderr, "%s decode: %ld frames at %d bit/s, %zu declared lost\n", kProgram, frames, bitrate,
               static_cast<size_t>(std::distance(lost.begin(), lost.lower_bound(frames))));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    print_usage(stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "encode") return run_encode(argc - 2, argv + 2);
  if (command == "decode") return run_decode(argc - 2, argv + 2);
  if (command == "--help" || command == "-h" || command == "help") {
    print_usage(stdout);
    return 0;
  }
  std::fprintf(stderr, "%s: unknown command '%s'\n", kProgram, argv[1]);
  print_usage(stderr);
  return 2;
}
