// Shared by the component tests: a COM apartment per test and a scratch folder of files.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::test {

// A fresh folder under the temporary folder, removed with everything in it (read-only files too).
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        path_ = Narrow(temp) + "qm-suite-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
        ::CreateDirectoryW(Widen(path_).c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(Widen(path_)); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string File(std::string_view name) const { return path_ + "\\" + std::string(name); }

    std::string Write(std::string_view name, std::string_view content) const {
        const std::string file = File(name);
        FileHandle handle(::CreateFileW(Widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(handle) << file;
        DWORD written = 0;
        ::WriteFile(handle.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        return file;
    }

    static std::string Read(const std::string& file) {
        FileHandle handle(::CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!handle) return "<missing>";
        std::string content(::GetFileSize(handle.Get(), nullptr), '\0');
        DWORD read = 0;
        ::ReadFile(handle.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
        content.resize(read);
        return content;
    }

    static void SetReadOnly(const std::string& file, bool readOnly) {
        ::SetFileAttributesW(Widen(file).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    }

    // Names of the files left in the folder (to see that no temporary file stayed behind).
    int CountFiles() const {
        WIN32_FIND_DATAW data;
        FindHandle find(::FindFirstFileW(Widen(path_ + "\\*").c_str(), &data));
        int count = 0;
        if (find) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
            } while (::FindNextFileW(find.Get(), &data));
        }
        return count;
    }

    const std::string& Path() const { return path_; }

private:
    static void Remove(const std::wstring& folder) {
        WIN32_FIND_DATAW data;
        FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring full = folder + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(full);
                } else {
                    ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileW(full.c_str());
                }
            } while (::FindNextFileW(find.Get(), &data));
        }
        find.Reset();
        ::RemoveDirectoryW(folder.c_str());
    }

    std::string path_;
};

class ComponentTest : public ::testing::Test {
protected:
    ComApartment apartment_;
    ScratchFolder folder_;
};

// Runs `call`, expects a ComponentError, and gives it back for closer checks.
template <typename Call>
host::ComponentError ExpectComponentError(Call&& call) {
    try {
        call();
    } catch (const host::ComponentError& error) {
        return error;
    }
    ADD_FAILURE() << "no ComponentError was raised";
    return host::ComponentError(S_OK, "");
}

inline bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

}  // namespace qm::test
