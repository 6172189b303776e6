// Reads the conformance vector list (MANIFEST.tsv) and the files it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VectorRow {
  std::string signal;
  int32_t bitrate = 0;
  std::string input;             // PCM input relative to the vectors folder, "-" for decoder-only rows
  std::string bitstream;         // frames back to back, bitrate / 400 bytes each
  std::string decoded;           // decoder output, 960 S16LE samples per frame
  std::vector<int> lost_frames;  // 0-based frames decoded as lost
  int frames = 0;
};

// The rows of vectors_dir/MANIFEST.tsv; empty when it cannot be read or a
// row is malformed.
std::vector<VectorRow> load_vector_manifest(const std::string &vectors_dir);

// A file's bytes; empty when it cannot be read.
std::vector<uint8_t> read_vector_file(const std::string &vectors_dir, const std::string &relative);

// Little-endian 16-bit samples of a byte string (a trailing odd byte is dropped).
std::vector<int16_t> s16le_samples(const std::vector<uint8_t> &bytes);
