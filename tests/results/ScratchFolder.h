// Whole files in and out for the tests of changes to shortcut files, and a folder for one test
// beside the test program (inside the build tree, on the same volume as the private trash the
// tests give Wine). Paths are UTF-8 and may be longer than MAX_PATH.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"
#include "tests/support/TempFolder.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qm::test {

using Bytes = std::vector<unsigned char>;

// Reads the whole file; false when it cannot be opened.
inline bool ReadBytes(const std::string& path, Bytes& bytes) {
    FileHandle file(::CreateFileW(FileApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    bytes.assign(::GetFileSize(file.Get(), nullptr), 0);
    DWORD read = 0;
    ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return true;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    ::SetFileAttributesW(FileApiPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    FileHandle file(::CreateFileW(FileApiPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(FileApiPath(path).c_str()); }

// A TempFolder beside the test program: on the volume of the private trash the tests give Wine.
class ScratchFolder : public TempFolder {
public:
    ScratchFolder() : TempFolder("scratch", FolderBase::Current) {}

    const std::string& Root() const { return Path(); }

    std::string File(const std::string& relative, const Bytes& bytes = {}) const {
        const std::string path = Path(relative);
        WriteBytes(path, bytes);
        return path;
    }

    // The names directly in a folder.
    static std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        WIN32_FIND_DATAW entry;
        FindHandle find(::FindFirstFileW((FileApiPath(folder + "\\*")).c_str(), &entry));
        if (!find) return names;
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") names.push_back(Narrow(name));
        } while (::FindNextFileW(find.Get(), &entry));
        return names;
    }
};

}  // namespace qm::test
