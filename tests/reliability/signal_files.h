// Reads the real-audio signals shipped with the conformance vectors.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace test_signals {

// Names of the 48 kHz mono S16LE signals under tests/vectors/signals/.
inline const std::vector<std::string> &names() {
  static const std::vector<std::string> n = {"speech_synth", "pluck_notes", "sweep_log", "noise_bursts",
                                             "fullscale",    "impulses_dc", "sine1k",    "quiet_noise"};
  return n;
}

// The samples of one signal; empty if the file cannot be read.
inline std::vector<int16_t> load(const std::string &name) {
  std::ifstream f(std::string(G719_VECTORS_DIR) + "/signals/" + name + ".pcm", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<int16_t> s(bytes.size() / 2);
  for (size_t i = 0; i < s.size(); ++i) {
    s[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return s;
}

}  // namespace test_signals
