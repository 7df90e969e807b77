// A folder tree made for one test under the system's temporary folder, removed with everything
// in it (whatever its attributes) when the test ends. Paths are UTF-8.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"

#include <windows.h>

#include <string>

namespace qm::test {

class TempTree {
public:
    TempTree() {
        wchar_t temp[MAX_PATH + 1];
        ::GetTempPathW(MAX_PATH + 1, temp);
        static int serial = 0;
        root_ = Narrow(temp) + "qm-folders-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
        ::CreateDirectoryW(Widen(root_).c_str(), nullptr);
    }
    ~TempTree() { RemoveAll(Widen(root_)); }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return relative.empty() ? root_ : root_ + "\\" + relative; }

    // Creates a folder (and its missing parents) below the root; returns its full path.
    std::string Folder(const std::string& relative, DWORD attributes = 0) const {
        std::string path = root_;
        size_t start = 0;
        for (;;) {
            const size_t end = relative.find('\\', start);
            path += "\\" + relative.substr(start, end - start);
            ::CreateDirectoryW(Widen(path).c_str(), nullptr);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        if (attributes) ::SetFileAttributesW(Widen(path).c_str(), attributes);
        return path;
    }

    std::string File(const std::string& relative) const {
        const std::string path = Path(relative);
        FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        return path;
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
                // A link is removed itself; what it points to is left alone.
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    RemoveAll(child);
                else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ::RemoveDirectoryW(child.c_str());
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
