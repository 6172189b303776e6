// Little-endian 16- and 32-bit fields of the tool's file formats.
#pragma once

#include <cstdint>

namespace g719_tool {

inline std::uint16_t get_le16(const unsigned char *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t get_le32(const unsigned char *p) {
  return get_le16(p) | static_cast<std::uint32_t>(get_le16(p + 2)) << 16;
}
inline void put_le16(unsigned char *p, unsigned value) {
  p[0] = static_cast<unsigned char>(value & 0xFF);
  p[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}
inline void put_le32(unsigned char *p, std::uint32_t value) {
  put_le16(p, value & 0xFFFF);
  put_le16(p + 2, value >> 16);
}

}  // namespace g719_tool
