// Writing a whole file so that whoever opens it finds either the file that was there or the
// complete new one, never a half-written file: the new bytes go to a temporary file beside the
// old one and replace it in one rename. Paths are UTF-8 of any length.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace qm {

// A new file beside `path` (same folder, so the rename stays on one volume) under a name that
// nothing uses yet, open for reading and writing. It is closed and deleted when the owner goes,
// unless Keep() was called because it was moved into place.
class TemporaryFile {
public:
    // When the folder refuses the file, IsOpen() is false and GetLastError says why.
    explicit TemporaryFile(const std::string& besidePath);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsOpen() const { return file_.IsValid(); }
    HANDLE Handle() const { return file_.Get(); }
    // The wide path for the file API.
    const std::wstring& Path() const { return path_; }
    // Closes the handle; the file stays until the owner goes.
    void Close() { file_.Reset(); }
    void Keep() { path_.clear(); }

private:
    FileHandle file_;
    std::wstring path_;
};

// Writes all of `content` at the handle's position. ERROR_SUCCESS or the system's error code.
DWORD WriteAll(HANDLE file, std::string_view content);

// Makes `content` the whole file at `path` (created when missing, replaced when present) by way
// of a temporary file beside it. ERROR_SUCCESS, or the system's error code; on failure the
// file at `path` is as it was and no temporary file is left behind.
DWORD ReplaceFileContent(const std::string& path, std::string_view content);

}  // namespace qm
