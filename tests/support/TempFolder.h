// A fresh folder for one test, under the system's temporary folder or in the current one (beside
// the test program, on the volume of the build tree), removed with everything in it when the test
// ends: read-only files too, paths of any length, junctions and links removed but never followed.
// Paths are UTF-8.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>

namespace qm::test {

// Where the folder is made.
enum class FolderBase { Temp, Current };

class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "qm-test", FolderBase base = FolderBase::Temp) {
        wchar_t parent[MAX_PATH + 2];
        if (base == FolderBase::Temp) {
            ::GetTempPathW(MAX_PATH + 1, parent);
        } else {
            ::GetCurrentDirectoryW(MAX_PATH + 1, parent);
            ::lstrcatW(parent, L"\\");
        }
        static std::atomic<int> serial{0};
        path_ = Narrow(parent) + std::string(prefix) + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        RemoveAll(Widen(path_));  // left over by a run that crashed
        ::CreateDirectoryW(Extended(path_).c_str(), nullptr);
    }
    ~TempFolder() { RemoveAll(Widen(path_)); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const noexcept { return path_; }
    std::wstring Wide() const { return Widen(path_); }
    // The full path of `relative` below the folder; nothing is created.
    std::string Path(std::string_view relative) const {
        return relative.empty() ? path_ : path_ + "\\" + std::string(relative);
    }

    // Creates a folder (and its missing parents) below the root; returns its full path.
    std::string Folder(std::string_view relative, DWORD attributes = 0) const {
        std::string path = path_;
        size_t start = 0;
        for (;;) {
            const size_t end = relative.find('\\', start);
            path += '\\';  // appended piece by piece: GCC 12 warns (wrongly) of an overlap in "\\" + string
            path += relative.substr(start, end == std::string_view::npos ? end : end - start);
            ::CreateDirectoryW(Extended(path).c_str(), nullptr);
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
        if (attributes) ::SetFileAttributesW(Extended(path).c_str(), attributes);
        return path;
    }

    // Writes a file below the root (its folder must exist); returns its full path.
    std::string Write(std::string_view relative, std::string_view content = {}) const {
        const std::string file = Path(relative);
        FileHandle handle(::CreateFileW(Extended(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (handle) ::WriteFile(handle.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        return file;
    }

    static std::string Read(const std::string& file) {
        FileHandle handle(::CreateFileW(Extended(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!handle) return "<missing>";
        std::string content(::GetFileSize(handle.Get(), nullptr), '\0');
        DWORD read = 0;
        ::ReadFile(handle.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
        content.resize(read);
        return content;
    }

    static void SetReadOnly(const std::string& file, bool readOnly) {
        ::SetFileAttributesW(Extended(file).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    }

    // Files directly in the folder (to see that no temporary file stayed behind).
    int CountFiles() const {
        WIN32_FIND_DATAW data;
        FindHandle find(::FindFirstFileW(Extended(path_ + "\\*").c_str(), &data));
        int count = 0;
        if (find) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
            } while (::FindNextFileW(find.Get(), &data));
        }
        return count;
    }

private:
    // The \\?\ form, so paths past MAX_PATH work too.
    static std::wstring Extended(const std::string& path) { return L"\\\\?\\" + Widen(path); }

    static void RemoveAll(const std::wstring& folder) {
        const std::wstring extended = L"\\\\?\\" + folder;
        WIN32_FIND_DATAW entry;
        FindHandle find(::FindFirstFileW((extended + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = folder + L"\\" + name;
                const std::wstring extendedChild = L"\\\\?\\" + child;
                ::SetFileAttributesW(extendedChild.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A link is removed itself; what it points to is left alone.
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    RemoveAll(child);
                else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    ::RemoveDirectoryW(extendedChild.c_str());
                else
                    ::DeleteFileW(extendedChild.c_str());
            } while (::FindNextFileW(find.Get(), &entry));
        }
        find.Reset();
        ::SetFileAttributesW(extended.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryW(extended.c_str());
    }

    std::string path_;
};

}  // namespace qm::test
