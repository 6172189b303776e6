// The g719-codec subcommands: encode audio into a coded file, decode a coded
// file into audio. Both throw ToolError for input they refuse; an output
// file is only left behind when the run succeeds.
#pragma once

#include "command_line.h"

namespace g719_tool {

void run_encode(const Options &options);
void run_decode(const Options &options);

}  // namespace g719_tool
