#include "base/win/FileReplace.h"

#include "base/PathSplit.h"
#include "base/win/FileFault.h"
#include "base/win/LongPath.h"

#include <algorithm>
#include <vector>

namespace qm {
namespace {

// A name beside `path` for a file of ours: "~qm<process>-<n>.tmp", n from the tick count.
std::wstring NameBeside(const std::string& path, unsigned attempt) {
    return FileApiPath(PathFolder(path) + "\\~qm" + std::to_string(::GetCurrentProcessId()) + "-" +
                       std::to_string(::GetTickCount() + attempt) + ".tmp");
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A name beside `path` that no file has.
std::wstring UnusedNameBeside(const std::string& path) {
    for (unsigned attempt = 0;; ++attempt) {
        std::wstring name = NameBeside(path, attempt);
        if (!Exists(name) || attempt == 100) return name;
    }
}

// Gives `to` the DACL of `from`. ReplaceFileW merges it on Windows; Wine's keeps none, so it is
// set beforehand too. A DACL that cannot be read or set is left to ReplaceFileW.
void CopyDacl(const std::wstring& from, const std::wstring& to) {
    DWORD size = 0;
    ::GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0) return;
    std::vector<unsigned char> descriptor(size);
    if (::GetFileSecurityW(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size))
        ::SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
}

BOOL SystemReplaceFile(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup) {
    return ::ReplaceFileW(replaced, replacement, backup, 0, nullptr, nullptr);
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& besidePath) {
    if (BeforeFileStep() != ERROR_SUCCESS) return;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = NameBeside(besidePath, attempt);
        file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_) {
            path_ = path;
            return;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return;
    }
}

TemporaryFile::~TemporaryFile() {
    file_.Reset();  // an open file cannot be deleted
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
}

DWORD WriteAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        if (const DWORD fault = BeforeFileStep()) return fault;
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size(), 1u << 30));
        if (!::WriteFile(file, content.data(), chunk, &written, nullptr)) return ::GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        content.remove_prefix(written);
    }
    return ERROR_SUCCESS;
}

DWORD ReplaceFileContent(const std::string& path, std::string_view content) {
    TemporaryFile temporary(path);
    if (!temporary.IsOpen()) return ::GetLastError();
    if (const DWORD error = WriteAll(temporary.Handle(), content)) return error;
    if (!::FlushFileBuffers(temporary.Handle())) return ::GetLastError();
    temporary.Close();
    if (!::MoveFileExW(temporary.Path().c_str(), FileApiPath(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ::GetLastError();
    temporary.Keep();
    return ERROR_SUCCESS;
}

ReplaceResult ReplaceKeepingMetadata(const std::string& path, const std::wstring& replacement, const ReplaceFileCall& call) {
    const std::wstring target = FileApiPath(path);
    WIN32_FILE_ATTRIBUTE_DATA old{}, fresh{};
    if (!::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old) ||
        !::GetFileAttributesExW(replacement.c_str(), GetFileExInfoStandard, &fresh))
        return {::GetLastError(), {}};
    CopyDacl(target, replacement);
    if (const DWORD fault = BeforeFileStep()) return {fault, {}};  // the swap: one step of the file layer
    // A read-only file cannot be replaced: the mark is lifted for the swap and put back after it,
    // on whichever file is then in the place.
    const DWORD attributes = old.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !::SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return {::GetLastError(), {}};

    const std::wstring backup = UnusedNameBeside(path);
    ReplaceResult result;
    if (!(call ? call : SystemReplaceFile)(target.c_str(), replacement.c_str(), backup.c_str())) {
        result.error = ::GetLastError();
        if (result.error == ERROR_SUCCESS) result.error = ERROR_GEN_FAILURE;
    }
    if (result.error != ERROR_SUCCESS && !Exists(replacement) && Exists(target)) result.error = ERROR_SUCCESS;  // swapped after all
    if (result.error != ERROR_SUCCESS) {
        // ERROR_UNABLE_TO_REMOVE_REPLACED, and ERROR_UNABLE_TO_MOVE_REPLACEMENT when a backup name
        // is given: both files keep their names. Any other code: the same, and no backup exists.
        // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file is under the backup name (the
        // replacement under its own, with the old one's streams): it goes back to its place. The
        // same whenever the place is empty and the backup is there, whatever the code said.
        if (!Exists(target) && Exists(backup) && !::MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            result.oldFileAt = backup;
        ::SetFileAttributesW(result.oldFileAt.empty() ? target.c_str() : backup.c_str(), attributes);
        return result;
    }
    // ReplaceFileW keeps the old attributes and creation time on Windows; Wine's drops the hidden
    // and system marks and sets the old file's times, the last write time included.
    ::SetFileAttributesW(target.c_str(), attributes);
    FileHandle swapped(::CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (swapped) ::SetFileTime(swapped.Get(), &old.ftCreationTime, nullptr, &fresh.ftLastWriteTime);
    ::DeleteFileW(backup.c_str());
    return result;
}

}  // namespace qm
