// Messages of the g719-codec tool: every line on standard error starts with
// the program and subcommand ("g719-codec decode: ..."). A refused input or
// failed file operation is a ToolError thrown to main, which prints it and
// exits with its status.
#pragma once

#include <string>

namespace g719_tool {

// Exit statuses: 1 for input that cannot be coded and file errors, 2 for a
// command line that cannot be run.
inline constexpr int kDataError = 1;
inline constexpr int kUsageError = 2;

struct ToolError {
  int status;
  std::string message;
};

// printf into a std::string.
std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void fail(int status, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// The prefix of every message, e.g. "g719-codec encode".
void set_message_prefix(const std::string &prefix);
const std::string &message_prefix();

// "g719-codec encode: warning: ..." and "g719-codec encode: ..." lines.
void warn(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void note(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace g719_tool
