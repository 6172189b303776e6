#include "vector_manifest.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::vector<std::string> split(const std::string &line, char sep) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, sep);) fields.push_back(field);
  return fields;
}

}  // namespace

std::vector<VectorRow> load_vector_manifest(const std::string &vectors_dir) {
  std::ifstream in(vectors_dir + "/MANIFEST.tsv");
  std::vector<VectorRow> rows;
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    const std::vector<std::string> f = split(line, '\t');
    if (line.empty()) continue;
    if (f.size() != 9) return {};
    VectorRow r{f[0], std::atoi(f[1].c_str()), f[2], f[3], f[4], {}, std::atoi(f[6].c_str())};
    if (f[5] != "-") {
      for (const std::string &n : split(f[5], ',')) r.lost_frames.push_back(std::atoi(n.c_str()));
    }
    rows.push_back(r);
  }
  return rows;
}

std::vector<uint8_t> read_vector_file(const std::string &vectors_dir, const std::string &relative) {
  std::ifstream in(vectors_dir + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> s16le_samples(const std::vector<uint8_t> &bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); i++) samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return samples;
}
