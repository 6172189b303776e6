// The g719-codec tool's encode subcommand: reproduces a conformance
// bitstream from its input file, drops a trailing partial frame, and fails
// clearly on bad arguments and unreadable files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "vector_manifest.h"

namespace {

namespace fs = std::filesystem;

const std::string kVectorsDir = G719_VECTORS_DIR;
const std::string kTool = G719_CODEC_TOOL;

struct ToolRun {
  int status = -1;
  std::string errors;
};

class ToolEncode : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("g719_tool_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with the given arguments (already quoted), capturing
  // standard error.
  ToolRun run(const std::string &args) {
    const fs::path err = dir_ / "stderr.txt";
    const std::string cmd = "'" + kTool + "' " + args + " 2>'" + err.string() + "'";
    const int raw = std::system(cmd.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(err);
    r.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
  }

  std::vector<uint8_t> read(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  void write(const fs::path &p, const std::vector<uint8_t> &bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  std::string quoted(const fs::path &p) { return "'" + p.string() + "'"; }

  fs::path dir_;
};

TEST_F(ToolEncode, ReproducesAVectorAndDropsAPartialFrame) {
  std::string error;
  const std::vector<VectorRow> rows = load_vector_manifest(kVectorsDir, &error);
  ASSERT_FALSE(rows.empty()) << error;
  const VectorRow *row = nullptr;
  for (const VectorRow &r : rows) {
    if (r.input != "-" && !r.input.empty() && r.bitrate == 48000) row = &r;
  }
  ASSERT_NE(row, nullptr);
  bool ok = false;
  std::vector<uint8_t> pcm = read_vector_file(kVectorsDir, row->input, &ok);
  ASSERT_TRUE(ok);
  const std::vector<uint8_t> expected = read_vector_file(kVectorsDir, row->bitstream, &ok);
  ASSERT_TRUE(ok);

  // Keep whole frames only, then add 1001 stray bytes that must be ignored.
  pcm.resize(static_cast<size_t>(row->frames) * 1920);
  pcm.insert(pcm.end(), 1001, 0x5A);
  write(dir_ / "in.pcm", pcm);
  const ToolRun r =
      run("encode --bitrate 48000 " + quoted(dir_ / "in.pcm") + " " + quoted(dir_ / "out.g719"));
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(read(dir_ / "out.g719"), expected);

  // Option after the paths and the --bitrate=B form work the same.
  const ToolRun r2 = run("encode " + quoted(dir_ / "in.pcm") + " " + quoted(dir_ / "out2.g719") + " --bitrate=48000");
  ASSERT_EQ(r2.status, 0) << r2.errors;
  EXPECT_EQ(read(dir_ / "out2.g719"), expected);
}

TEST_F(ToolEncode, FrameCountAndSizeFollowTheInput) {
  write(dir_ / "short.pcm", std::vector<uint8_t>(1919, 0));
  ASSERT_EQ(run("encode --bitrate 32000 " + quoted(dir_ / "short.pcm") + " " + quoted(dir_ / "short.g719")).status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "short.g719"));
  EXPECT_EQ(fs::file_size(dir_ / "short.g719"), 0u);

  write(dir_ / "three.pcm", std::vector<uint8_t>(3 * 1920 + 7, 0));
  ASSERT_EQ(run("encode --bitrate 100400 " + quoted(dir_ / "three.pcm") + " " + quoted(dir_ / "three.g719")).status, 0);
  EXPECT_EQ(fs::file_size(dir_ / "three.g719"), 3u * 251u);
}

TEST_F(ToolEncode, BadArgumentsAndFilesFailWithAMessage) {
  write(dir_ / "in.pcm", std::vector<uint8_t>(1920, 0));
  const std::string in = quoted(dir_ / "in.pcm"), out = quoted(dir_ / "out.g719");

  struct Case {
    std::string args, message;
  };
  const Case cases[] = {
      {"", "usage"},
      {"transcode " + in + " " + out, "unknown command"},
      {"encode " + in + " " + out, "--bitrate is required"},
      {"encode --bitrate " + in + " " + out, "expected an input and an output"},
      {"encode --bitrate 12k " + in + " " + out, "not a number"},
      {"encode --bitrate 99999999999 " + in + " " + out, "not a number"},
      {"encode --bitrate 44100 " + in + " " + out, "unsupported bitrate"},
      {"encode --bitrate 132000 " + in + " " + out, "unsupported bitrate"},
      {"encode --bitrate 48000 " + in, "expected an input and an output"},
      {"encode --bitrate 48000 --fast " + in + " " + out, "unknown option"},
      {"encode --bitrate 48000 " + quoted(dir_ / "missing.pcm") + " " + out, "cannot open input"},
      {"encode --bitrate 48000 " + in + " " + quoted(dir_ / "no_dir" / "out.g719"), "cannot create output"},
  };
  for (const Case &c : cases) {
    const ToolRun r = run(c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.args << " gave: " << r.errors;
  }
  EXPECT_FALSE(fs::exists(dir_ / "out.g719"));
}

}  // namespace
