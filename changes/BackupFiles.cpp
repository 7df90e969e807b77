#include "changes/BackupFiles.h"

#include "base/Utf.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"

#include <windows.h>

namespace qm::changes {
namespace {

bool Fail(std::string& error, std::string_view what, std::string_view path, DWORD code = ::GetLastError()) {
    error = std::string(what) + " " + std::string(path) + " (error " + std::to_string(code) + ")";
    return false;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + std::string(name);
}

}  // namespace

bool BackUpFile(std::string_view original, std::string_view backupFolder, JournalEntry& entry, std::string& error) {
    if (!IsPlainFileName(entry.backupName)) return Fail(error, "not a plain backup name:", entry.backupName);
    const std::wstring source = FileApiPath(original);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data)) return Fail(error, "cannot read", original);
    const std::string backup = InFolder(backupFolder, entry.backupName);
    if (!::CopyFileW(source.c_str(), FileApiPath(backup).c_str(), TRUE)) return Fail(error, "cannot write", backup);
    entry.originalPath = std::string(original);
    entry.attributes = data.dwFileAttributes;
    entry.created = FileTimeValue(data.ftCreationTime);
    entry.accessed = FileTimeValue(data.ftLastAccessTime);
    entry.written = FileTimeValue(data.ftLastWriteTime);
    return true;
}

bool RestoreFile(const JournalEntry& entry, std::string_view backupFolder, std::string& error) {
    if (!IsPlainFileName(entry.backupName)) return Fail(error, "not a plain backup name:", entry.backupName);
    const std::wstring backup = FileApiPath(InFolder(backupFolder, entry.backupName));
    const std::wstring original = FileApiPath(entry.originalPath);
    const std::wstring staging = FileApiPath(entry.originalPath + ".quillmend-restore");
    ::SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::CopyFileW(backup.c_str(), staging.c_str(), FALSE)) return Fail(error, "cannot copy back to", entry.originalPath);
    ::SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        FileHandle file(::CreateFileW(staging.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const FILETIME created = FileTimeOf(entry.created), accessed = FileTimeOf(entry.accessed),
                       written = FileTimeOf(entry.written);
        if (!file || !::SetFileTime(file.Get(), &created, &accessed, &written)) {
            const DWORD code = ::GetLastError();
            file.Reset();
            ::DeleteFileW(staging.c_str());
            return Fail(error, "cannot set the times of", entry.originalPath, code);
        }
    }
    // A read-only file at the path would refuse to be replaced.
    const DWORD present = ::GetFileAttributesW(original.c_str());
    if (present != INVALID_FILE_ATTRIBUTES && (present & FILE_ATTRIBUTE_READONLY)) {
        ::SetFileAttributesW(original.c_str(), present & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!::MoveFileExW(staging.c_str(), original.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        if (present != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(original.c_str(), present);
        ::DeleteFileW(staging.c_str());
        return Fail(error, "cannot replace", entry.originalPath, code);
    }
    if (!::SetFileAttributesW(original.c_str(), entry.attributes ? entry.attributes : FILE_ATTRIBUTE_NORMAL)) {
        return Fail(error, "cannot set the attributes of", entry.originalPath);
    }
    return true;
}

bool PruneBatch(const JournalBatch& batch, std::string_view backupFolder, std::string& error) {
    auto remove = [&](const std::string& name) {
        const std::wstring path = FileApiPath(InFolder(backupFolder, name));
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return ::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
    };
    for (const JournalEntry& entry : batch.entries) {
        if (!IsPlainFileName(entry.backupName) || !remove(entry.backupName)) {
            return Fail(error, "cannot delete the backup copy", entry.backupName);
        }
    }
    if (!IsPlainFileName(batch.id) || !remove(batch.id + std::string(kJournalExtension))) {
        return Fail(error, "cannot delete the journal of batch", batch.id);
    }
    return true;
}

bool AppendToJournal(std::string_view journalPath, std::string_view text, std::string& error) {
    FileHandle file(::CreateFileW(FileApiPath(journalPath).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Fail(error, "cannot open the journal", journalPath);
    DWORD written = 0;
    if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !::FlushFileBuffers(file.Get())) {
        return Fail(error, "cannot write the journal", journalPath);
    }
    return true;
}

}  // namespace qm::changes
