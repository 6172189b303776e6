// Reads the conformance vector list (MANIFEST.tsv) and the files it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VectorRow {
  std::string signal;
  int32_t bitrate = 0;
  std::string input;      // PCM input path relative to the vectors folder, "-" when none
  std::string bitstream;  // frames back to back, bitrate / 400 bytes each
  std::string decoded;    // decoder output, 960 S16LE samples per frame
  std::vector<int> lost_frames;  // 0-based frames decoded with the bad-frame flag
  int frames = 0;
  std::string bitstream_md5;
  std::string decoded_md5;
};

// Parses vectors_dir/MANIFEST.tsv. On failure returns an empty list and sets
// *error (when given) to a message naming the file and line.
std::vector<VectorRow> load_vector_manifest(const std::string &vectors_dir, std::string *error = nullptr);

// Whole file as bytes; *ok (when given) tells whether it could be read.
std::vector<uint8_t> read_vector_file(const std::string &vectors_dir, const std::string &relative, bool *ok = nullptr);

// Little-endian 16-bit samples of a byte string (a trailing odd byte is dropped).
std::vector<int16_t> s16le_samples(const std::vector<uint8_t> &bytes);
