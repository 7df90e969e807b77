// Little-endian fields of the link format and its property store, read from a buffer that was
// checked to hold them and written onto the end of (or into) a byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::lnk::bytes {

inline uint32_t Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
inline uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}
inline void Put32(std::vector<unsigned char>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void Set16(std::vector<unsigned char>& out, size_t at, uint32_t v) {
    out[at] = static_cast<unsigned char>(v);
    out[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void Set32(std::vector<unsigned char>& out, size_t at, uint64_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace qm::lnk::bytes
