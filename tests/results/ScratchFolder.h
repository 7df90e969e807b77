// A folder for one test beside the test program (inside the build tree, on the same volume as
// the private trash the tests give Wine), removed with everything in it when the test ends.
// Paths are UTF-8 and may be longer than MAX_PATH.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"

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

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t current[MAX_PATH + 1];
        ::GetCurrentDirectoryW(MAX_PATH + 1, current);
        static int serial = 0;
        root_ = Narrow(current) + "\\scratch-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
        RemoveAll(L"\\\\?\\" + Widen(root_));  // extended form: the tree may hold long paths
        ::CreateDirectoryW(FileApiPath(root_).c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveAll(L"\\\\?\\" + Widen(root_)); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return relative.empty() ? root_ : root_ + "\\" + relative; }

    // Creates a folder and its missing parents below the root; returns its full path.
    std::string Folder(const std::string& relative) const {
        std::string path = root_;
        size_t start = 0;
        for (;;) {
            const size_t end = relative.find('\\', start);
            path += '\\';
            path.append(relative, start, end == std::string::npos ? std::string::npos : end - start);
            ::CreateDirectoryW(FileApiPath(path).c_str(), nullptr);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return path;
    }

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

private:
    static void RemoveAll(const std::wstring& path) {
        WIN32_FIND_DATAW entry;
        FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = path + L"\\" + name;
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveAll(child);
                else
                    ::DeleteFileW(child.c_str());
            } while (::FindNextFileW(find.Get(), &entry));
        }
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryW(path.c_str());
    }

    std::string root_;
};

}  // namespace qm::test
