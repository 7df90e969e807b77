// Writing a whole file so that whoever opens it finds either the file that was there or the
// complete new one, never a half-written file: the new bytes go to a temporary file beside the
// old one and then take its place. Paths are UTF-8 of any length.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

#include <functional>
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

// The system's swap of a file for its replacement: ReplaceFileW(replaced, replacement, backup),
// unless a test plays one of its failures.
using ReplaceFileCall = std::function<BOOL(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup)>;

struct ReplaceResult {
    DWORD error = ERROR_SUCCESS;  // ERROR_SUCCESS, or why the old file is still in its place
    // Set only when the system moved the old file aside and then refused to move it back: it
    // lies under this name beside its place, whole and unchanged.
    std::wstring oldFileAt;
};

// Puts `replacement` (a complete, closed file in the same folder) in the place of the file at
// `path` the way Windows replaces a file, with a backup name: the new file takes on the old
// one's security descriptor, alternate data streams, attributes (read-only included) and
// creation time, and keeps its own last write time. The DACL is also copied beforehand, for
// systems whose ReplaceFileW keeps none (Wine). On success the old file is gone; on failure it
// is at `path` as it was (unless `oldFileAt` says otherwise) and `replacement` is where it was.
ReplaceResult ReplaceKeepingMetadata(const std::string& path, const std::wstring& replacement,
                                     const ReplaceFileCall& call = nullptr);

}  // namespace qm
