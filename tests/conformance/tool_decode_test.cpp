// The g719-codec tool's decode subcommand: reproduces the decoded vectors,
// clean and with frames declared lost, and fails clearly on a trailing
// partial frame and on bad arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vector_manifest.h"

namespace {

namespace fs = std::filesystem;

const std::string kVectorsDir = G719_VECTORS_DIR;
const std::string kTool = G719_CODEC_TOOL;

class ToolDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("g719_tool_decode_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::string error;
    rows_ = load_vector_manifest(kVectorsDir, &error);
    ASSERT_FALSE(rows_.empty()) << error;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool; returns its exit status and keeps its standard error.
  int run(const std::string &args) {
    const fs::path err = dir_ / "stderr.txt";
    const std::string cmd = "'" + kTool + "' decode " + args + " 2>'" + err.string() + "'";
    const int raw = std::system(cmd.c_str());
    std::ifstream in(err);
    errors_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  std::vector<uint8_t> read(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string path(const fs::path &p) { return "'" + p.string() + "'"; }
  std::string vector_path(const std::string &relative) { return path(fs::path(kVectorsDir) / relative); }

  const VectorRow *find_row(bool with_losses, int32_t rate) {
    for (const VectorRow &r : rows_) {
      if (r.signal != "garbage" && r.bitrate == rate && r.lost_frames.empty() != with_losses) return &r;
    }
    return nullptr;
  }

  static std::string join(const std::vector<int> &frames) {
    std::string s;
    for (int f : frames) s += (s.empty() ? "" : ",") + std::to_string(f);
    return s;
  }

  fs::path dir_;
  std::vector<VectorRow> rows_;
  std::string errors_;
};

TEST_F(ToolDecode, ReproducesCleanAndLostFrameVectors) {
  for (bool with_losses : {false, true}) {
    const VectorRow *row = find_row(with_losses, 64000);
    ASSERT_NE(row, nullptr);
    const fs::path out = dir_ / "out.pcm";
    std::string args = "--bitrate " + std::to_string(row->bitrate) + " ";
    if (with_losses) args += "--lost " + join(row->lost_frames) + " ";
    ASSERT_EQ(run(args + vector_path(row->bitstream) + " " + path(out)), 0) << errors_;
    bool ok = false;
    const std::vector<uint8_t> expected = read_vector_file(kVectorsDir, row->decoded, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(read(out) == expected) << row->decoded;
  }
  // The garbage row too, with its losses, through the --opt=value form.
  for (const VectorRow &r : rows_) {
    if (r.signal != "garbage") continue;
    const fs::path out = dir_ / "garbage.pcm";
    ASSERT_EQ(run(vector_path(r.bitstream) + " --lost=" + join(r.lost_frames) + " --bitrate=" +
                  std::to_string(r.bitrate) + " " + path(out)),
              0)
        << errors_;
    bool ok = false;
    EXPECT_TRUE(read(out) == read_vector_file(kVectorsDir, r.decoded, &ok)) << r.decoded;
  }
}

TEST_F(ToolDecode, TrailingPartialFrameIsAnError) {
  const VectorRow *row = find_row(false, 32000);
  ASSERT_NE(row, nullptr);
  bool ok = false;
  std::vector<uint8_t> stream = read_vector_file(kVectorsDir, row->bitstream, &ok);
  ASSERT_TRUE(ok);
  stream.resize(3 * 80 + 17);
  const fs::path in = dir_ / "partial.g719";
  {
    std::ofstream f(in, std::ios::binary);
    f.write(reinterpret_cast<const char *>(stream.data()), static_cast<std::streamsize>(stream.size()));
  }
  const fs::path out = dir_ / "partial.pcm";
  EXPECT_EQ(run("--bitrate 32000 " + path(in) + " " + path(out)), 1);
  EXPECT_NE(errors_.find("partial frame"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("17 bytes"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(out)) << "no output is left for a rejected stream";

  // The same stream at a bitrate whose frames divide it decodes.
  stream.resize(4 * 80);
  {
    std::ofstream f(in, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(stream.data()), static_cast<std::streamsize>(stream.size()));
  }
  EXPECT_EQ(run("--bitrate 32000 " + path(in) + " " + path(out)), 0) << errors_;
  EXPECT_EQ(read(out).size(), 4u * 1920);
  EXPECT_EQ(run("--bitrate 64000 " + path(in) + " " + path(out)), 0) << errors_;
  EXPECT_EQ(read(out).size(), 2u * 1920);
}

TEST_F(ToolDecode, RejectsBadArguments) {
  const VectorRow *row = find_row(false, 48000);
  ASSERT_NE(row, nullptr);
  const std::string in = vector_path(row->bitstream);
  const std::string out = path(dir_ / "x.pcm");
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {in + " " + out, "--bitrate"},
      {"--bitrate 48100 " + in + " " + out, "unsupported bitrate"},
      {"--bitrate 48k " + in + " " + out, "not a number"},
      {"--bitrate 48000 --lost 1,,2 " + in + " " + out, "--lost"},
      {"--bitrate 48000 --lost -3 " + in + " " + out, "--lost"},
      {"--bitrate 48000 --lost 4x " + in + " " + out, "--lost"},
      {"--bitrate 48000 --lost " + in + " " + out, "expected an input and an output"},
      {"--bitrate 48000 " + in, "expected an input and an output"},
      {"--bitrate 48000 --frobnicate " + in + " " + out, "unknown option"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(run(c.args), 2) << c.args;
    EXPECT_NE(errors_.find(c.message), std::string::npos) << c.args << "\n" << errors_;
  }
  EXPECT_EQ(run("--bitrate 48000 " + path(dir_ / "missing.g719") + " " + out), 1);
  EXPECT_NE(errors_.find("cannot open input"), std::string::npos) << errors_;
}

}  // namespace
