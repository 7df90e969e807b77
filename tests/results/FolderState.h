// What a folder holds, file by file (bytes, attributes, the three times), to show that a change
// followed by its undo leaves it exactly as it was; and files stamped with times that reading
// them does not move. Paths are UTF-8 of any length.
#pragma once

#include "tests/results/ScratchFolder.h"

#include <windows.h>

#include <map>
#include <ostream>
#include <string>

namespace qm::test {

struct FileState {
    Bytes bytes;
    DWORD attributes = 0;
    uint64_t created = 0, accessed = 0, written = 0;
    bool operator==(const FileState&) const = default;
};

inline uint64_t Ticks(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

inline std::ostream& operator<<(std::ostream& out, const FileState& state) {
    return out << state.bytes.size() << " bytes, attributes " << std::hex << state.attributes << std::dec << ", times "
               << state.created << "/" << state.accessed << "/" << state.written;
}

// The times first: reading the bytes may move the access time.
inline FileState StateOf(const std::string& path) {
    FileState state;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(path).c_str(), GetFileExInfoStandard, &data)) return state;
    state.attributes = data.dwFileAttributes;
    state.created = Ticks(data.ftCreationTime);
    state.accessed = Ticks(data.ftLastAccessTime);
    state.written = Ticks(data.ftLastWriteTime);
    ReadBytes(path, state.bytes);
    return state;
}

// Every file directly in the folder by name.
inline std::map<std::string, FileState> FolderState(const std::string& folder) {
    std::map<std::string, FileState> states;
    for (const std::string& name : ScratchFolder::Names(folder)) states[name] = StateOf(folder + "\\" + name);
    return states;
}

// For files the test did not stamp (written by a change): reading them moves their access time.
inline std::map<std::string, FileState> WithoutAccessTimes(std::map<std::string, FileState> states) {
    for (auto& [name, state] : states) state.accessed = 0;
    return states;
}

// Times well away from now and the given attributes. Wine keeps no creation time of its own, so
// the access time is what shows a restore that forgot the times: it lies a day ahead, where
// reading the file (relatime) leaves it alone.
inline void Stamp(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
    ::SetFileAttributesW(FileApiPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        FileHandle file(::CreateFileW(FileApiPath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME now{};
        ::GetSystemTimeAsFileTime(&now);
        const uint64_t dayAhead = Ticks(now) + 864'000'000'000ull;
        const FILETIME created{0x12345670, 0x01D00000}, written{0x32345670, 0x01D20000};
        const FILETIME accessed{static_cast<DWORD>(dayAhead), static_cast<DWORD>(dayAhead >> 32)};
        ::SetFileTime(file.Get(), &created, &accessed, &written);
    }
    ::SetFileAttributesW(FileApiPath(path).c_str(), attributes);
}

}  // namespace qm::test
