#include "messages.h"

#include <cstdarg>
#include <cstdio>

namespace g719_tool {
namespace {

std::string prefix = "g719-codec";

std::string vformat(const char *fmt, std::va_list args) {
  std::va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  std::vsnprintf(text.data(), text.size() + 1, fmt, args);
  return text;
}

void print_line(const char *label, const char *fmt, std::va_list args) {
  std::fprintf(stderr, "%s: %s%s\n", prefix.c_str(), label, vformat(fmt, args).c_str());
}

}  // namespace

std::string format(const char *fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  return text;
}

void fail(int status, const char *fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  throw ToolError{status, std::move(text)};
}

void set_message_prefix(const std::string &text) { prefix = text; }
const std::string &message_prefix() { return prefix; }

void warn(const char *fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  print_line("warning: ", fmt, args);
  va_end(args);
}

void note(const char *fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  print_line("", fmt, args);
  va_end(args);
}

}  // namespace g719_tool
