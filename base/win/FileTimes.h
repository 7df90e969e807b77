// The two halves the system hands out for a file's size and times, as one 64-bit value.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qm {

inline std::uint64_t JoinHalves(DWORD high, DWORD low) noexcept {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// A FILETIME's value: 100-nanosecond ticks since 1601.
inline std::uint64_t FileTimeValue(const FILETIME& time) noexcept { return JoinHalves(time.dwHighDateTime, time.dwLowDateTime); }
inline FILETIME FileTimeOf(std::uint64_t value) noexcept {
    return {static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

}  // namespace qm
