// Input and output files of the g719-codec tool; "-" stands for standard
// input or standard output. Errors are thrown as ToolError with the file's
// name and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace g719_tool {

class InputStream {
 public:
  explicit InputStream(const std::string &path);
  ~InputStream();
  InputStream(const InputStream &) = delete;
  InputStream &operator=(const InputStream &) = delete;

  // Reads up to `bytes` bytes; fewer only at the end of the input.
  std::size_t read(void *data, std::size_t bytes);
  // Reads and drops up to `bytes` bytes; fewer only at the end.
  std::uint64_t skip(std::uint64_t bytes);
  // Bytes read so far: the offset of the next byte.
  std::uint64_t offset() const { return offset_; }
  // The path in quotes, or "standard input".
  const std::string &name() const { return name_; }
  const std::string &path() const { return path_; }

 private:
  std::FILE *file_ = nullptr;
  std::string path_, name_;
  std::uint64_t offset_ = 0;
};

// An output file that exists only once finished: destroyed unfinished (the
// run failed), a named file is removed, so no truncated result stays behind.
class OutputStream {
 public:
  explicit OutputStream(const std::string &path);
  ~OutputStream();
  OutputStream(const OutputStream &) = delete;
  OutputStream &operator=(const OutputStream &) = delete;

  void write(const void *data, std::size_t bytes);
  // Overwrites bytes already written at `offset`; false when the output
  // cannot seek (a pipe). The next write goes to the end again.
  bool overwrite(std::uint64_t offset, const void *data, std::size_t bytes);
  // Flushes and closes; throws when the data could not be written.
  void finish();

 private:
  std::FILE *file_ = nullptr;
  std::string path_, name_;
  bool finished_ = false;
};

// Whether a path names standard input or output.
inline bool is_standard_stream(const std::string &path) { return path == "-"; }

}  // namespace g719_tool
