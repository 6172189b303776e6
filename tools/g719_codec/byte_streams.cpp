#include "byte_streams.h"

#include <cerrno>
#include <cstring>

#include "messages.h"

namespace g719_tool {

InputStream::InputStream(const std::string &path)
    : path_(path), name_(is_standard_stream(path) ? "standard input" : "'" + path + "'") {
  file_ = is_standard_stream(path) ? stdin : std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) fail(kDataError, "cannot open input %s: %s", name_.c_str(), std::strerror(errno));
}

InputStream::~InputStream() {
  if (file_ != stdin) std::fclose(file_);
}

std::size_t InputStream::read(void *data, std::size_t bytes) {
  const std::size_t got = std::fread(data, 1, bytes, file_);
  offset_ += got;
  if (got < bytes && std::ferror(file_)) fail(kDataError, "error reading %s: %s", name_.c_str(), std::strerror(errno));
  return got;
}

std::uint64_t InputStream::skip(std::uint64_t bytes) {
  unsigned char scratch[4096];
  std::uint64_t skipped = 0;
  while (skipped < bytes) {
    const std::size_t want = bytes - skipped < sizeof scratch ? bytes - skipped : sizeof scratch;
    const std::size_t got = read(scratch, want);
    skipped += got;
    if (got < want) break;
  }
  return skipped;
}

OutputStream::OutputStream(const std::string &path)
    : path_(path), name_(is_standard_stream(path) ? "standard output" : "'" + path + "'") {
  file_ = is_standard_stream(path) ? stdout : std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) fail(kDataError, "cannot create output %s: %s", name_.c_str(), std::strerror(errno));
}

OutputStream::~OutputStream() {
  if (finished_) return;
  if (file_ == stdout) {
    std::fflush(stdout);
    return;
  }
  std::fclose(file_);
  std::remove(path_.c_str());
}

void OutputStream::write(const void *data, std::size_t bytes) {
  if (std::fwrite(data, 1, bytes, file_) != bytes)
    fail(kDataError, "error writing %s: %s", name_.c_str(), std::strerror(errno));
}

bool OutputStream::overwrite(std::uint64_t offset, const void *data, std::size_t bytes) {
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
  write(data, bytes);
  return std::fseek(file_, 0, SEEK_END) == 0;
}

void OutputStream::finish() {
  bool written = std::fflush(file_) == 0;
  if (file_ != stdout) {
    written = std::fclose(file_) == 0 && written;
    file_ = nullptr;
  }
  const int error = errno;
  finished_ = true;
  if (!written) {
    if (!is_standard_stream(path_)) std::remove(path_.c_str());
    fail(kDataError, "error writing %s: %s", name_.c_str(), std::strerror(error));
  }
}

}  // namespace g719_tool
