// g719-codec: encodes 48 kHz mono audio into G.719 files and decodes them,
// in the payload format of the GStreamer elements, as bare frames or as
// ITU-T G.192 bitstreams. `g719-codec --help` describes the command line;
// each input check refuses bad input with a message and a non-zero status.
#include <cstdio>
#include <cstring>
#include <string>

#include "coding.h"
#include "command_line.h"
#include "messages.h"

int main(int argc, char **argv) {
  using namespace g719_tool;
  const std::string command = argc >= 2 ? argv[1] : "";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 || (i == 1 && command == "help")) {
      print_usage(stdout);
      return 0;
    }
  }
  if (command != "encode" && command != "decode") {
    if (command.empty()) {
      std::fprintf(stderr, "g719-codec: no command given\n");
    } else {
      std::fprintf(stderr, "g719-codec: unknown command '%s'\n", command.c_str());
    }
    print_usage(stderr);
    return kUsageError;
  }
  set_message_prefix("g719-codec " + command);
  try {
    const Options options = parse_options(command == "encode" ? Command::encode : Command::decode, argc - 2, argv + 2);
    if (options.command == Command::encode) {
      run_encode(options);
    } else {
      run_decode(options);
    }
  } catch (const ToolError &error) {
    std::fprintf(stderr, "%s: %s\n", message_prefix().c_str(), error.message.c_str());
    if (error.status == kUsageError) std::fprintf(stderr, "(g719-codec --help describes the command line)\n");
    return error.status;
  }
  return 0;
}
