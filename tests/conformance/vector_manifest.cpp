#include "vector_manifest.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::vector<std::string> split(const std::string &line, char sep) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, sep)) fields.push_back(field);
  if (!line.empty() && line.back() == sep) fields.emplace_back();
  return fields;
}

bool parse_int(const std::string &s, int *out) {
  if (s.empty()) return false;
  size_t used = 0;
  try {
    const long v = std::stol(s, &used);
    if (used != s.size()) return false;
    *out = static_cast<int>(v);
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

std::vector<VectorRow> load_vector_manifest(const std::string &vectors_dir, std::string *error) {
  const std::string path = vectors_dir + "/MANIFEST.tsv";
  std::ifstream in(path);
  auto fail = [&](const std::string &why) {
    if (error) *error = path + ": " + why;
    return std::vector<VectorRow>{};
  };
  if (!in) return fail("cannot open");
  std::vector<VectorRow> rows;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const auto f = split(line, '\t');
    if (number == 1 && !f.empty() && f[0] == "signal") continue;  // header
    if (f.size() != 9) return fail("line " + std::to_string(number) + ": expected 9 columns");
    VectorRow r;
    r.signal = f[0];
    int rate = 0;
    if (!parse_int(f[1], &rate)) return fail("line " + std::to_string(number) + ": bad bitrate");
    r.bitrate = rate;
    r.input = f[2];
    r.bitstream = f[3];
    r.decoded = f[4];
    if (f[5] != "-") {
      for (const auto &n : split(f[5], ',')) {
        int frame = 0;
        if (!parse_int(n, &frame)) return fail("line " + std::to_string(number) + ": bad lost_frames");
        r.lost_frames.push_back(frame);
      }
    }
    if (!parse_int(f[6], &r.frames)) return fail("line " + std::to_string(number) + ": bad frames");
    r.bitstream_md5 = f[7];
    r.decoded_md5 = f[8];
    rows.push_back(r);
  }
  return rows;
}

std::vector<uint8_t> read_vector_file(const std::string &vectors_dir, const std::string &relative, bool *ok) {
  std::ifstream in(vectors_dir + "/" + relative, std::ios::binary);
  if (ok) *ok = static_cast<bool>(in);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> s16le_samples(const std::vector<uint8_t> &bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); i++) {
    samples[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
  }
  return samples;
}
