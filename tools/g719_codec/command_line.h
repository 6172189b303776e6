// The g719-codec command line: a subcommand, options and two paths.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>

#include "bitstream_files.h"

namespace g719_tool {

enum class Command { encode, decode };

struct Options {
  Command command = Command::encode;
  std::optional<std::int32_t> bitrate;    // --bitrate B
  std::optional<BitstreamFormat> format;  // --format F
  std::set<long> lost_frames;             // --lost LIST (decode)
  std::string input, output;              // "-" for standard input / output
};

// Parses the arguments after the subcommand. Options take "--name VALUE" or
// "--name=VALUE" and may stand anywhere; "-" is a path. Throws ToolError
// (kUsageError) naming what is wrong.
Options parse_options(Command command, int argc, char **argv);

void print_usage(std::FILE *out);

}  // namespace g719_tool
