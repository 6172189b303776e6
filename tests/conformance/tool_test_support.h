// Runs the g719-codec tool in a fresh folder per test and builds coded files
// from conformance vector frames.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

#include "vector_manifest.h"

namespace tool_test {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// G.192 words of frames of frame_bytes bytes each; frames in `erased` get
// the erased sync word, and no bits at all when bare_erasures.
inline Bytes to_g192(const Bytes &frames, size_t frame_bytes, const std::set<int> &erased, bool bare_erasures) {
  Bytes out;
  const auto word = [&out](size_t w) { out.insert(out.end(), {uint8_t(w & 0xFF), uint8_t(w >> 8)}); };
  for (size_t f = 0; f * frame_bytes < frames.size(); ++f) {
    const size_t bits = erased.count(int(f)) != 0 && bare_erasures ? 0 : frame_bytes * 8;
    word(erased.count(int(f)) != 0 ? 0x6B20 : 0x6B21), word(bits);
    for (size_t i = 0; i < bits; ++i) word((frames[f * frame_bytes + i / 8] >> (7 - i % 8)) & 1 ? 0x81 : 0x7F);
  }
  return out;
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("g719_tool_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    rows_ = load_vector_manifest(G719_VECTORS_DIR);
    ASSERT_FALSE(rows_.empty());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a shell command in the test folder, with $T the tool and $V the
  // vectors folder; keeps its standard error and returns its exit status.
  int run(const std::string &command) {
    const std::string line = "cd '" + dir_.string() + "' && T='" G719_CODEC_TOOL "' V='" G719_VECTORS_DIR "' && { " +
                             command + "; } 2>stderr.txt";
    const int raw = std::system(line.c_str());
    const Bytes errors = file("stderr.txt");
    errors_.assign(errors.begin(), errors.end());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  // Runs "$T <command><args>" for each case of arguments, exit status and part of
  // the message: each must be refused so, and leave no `output` file behind.
  void expect_refusals(const std::string &command, const std::vector<std::tuple<std::string, int, std::string>> &cases,
                       const std::string &output) {
    for (const auto &[args, status, message] : cases) {
      EXPECT_EQ(run("$T " + command + args), status) << args;
      EXPECT_NE(errors_.find(message), std::string::npos) << args << " gave: " << errors_;
      EXPECT_FALSE(fs::exists(dir_ / output)) << args << " left its output behind";
    }
  }
  Bytes file(const std::string &name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void put(const std::string &name, const Bytes &bytes) {
    std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  }
  Bytes vector_file(const std::string &relative) { return read_vector_file(G719_VECTORS_DIR, relative); }
  // The first row of a signal at a bitrate, with or without lost frames.
  const VectorRow &row(const std::string &signal, int32_t bitrate, bool with_losses = false) {
    for (const VectorRow &r : rows_)
      if (r.signal == signal && r.bitrate == bitrate && r.lost_frames.empty() != with_losses) return r;
    throw std::runtime_error("no vector " + signal + " at " + std::to_string(bitrate));
  }

  fs::path dir_;
  std::vector<VectorRow> rows_;
  std::string errors_;
};

}  // namespace tool_test
