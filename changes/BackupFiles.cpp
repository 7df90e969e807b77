#include "changes/BackupFiles.h"

#include "base/Utf.h"
#include "base/win/FileFault.h"
#include "base/win/FileReplace.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"
#include "base/win/SystemText.h"

#include <windows.h>

namespace qm::changes {
namespace {

bool Fail(std::string& error, std::string_view what, std::string_view path, DWORD code = ::GetLastError()) {
    error = FailureText(what, path, code);
    return false;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + std::string(name);
}

// A step of the file layer (base/win/FileFault.h); false with the last error set when it is to
// fail.
bool Step() { return BeforeFileStep() == ERROR_SUCCESS; }

// Reads the whole file piece by piece into `sink`; false with the last error set on failure.
template <typename Sink>
bool ReadPieces(HANDLE file, Sink&& sink) {
    char buffer[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return false;
        if (read == 0) return true;
        if (!sink(std::string_view(buffer, read))) return false;
    }
}

}  // namespace

std::string FailureText(std::string_view what, std::string_view path, unsigned long code) {
    std::string reason = Narrow(SystemMessage(code));
    if (reason.empty()) reason = "system error " + std::to_string(code);
    return std::string(what) + " " + std::string(path) + ": " + reason;
}

bool BackUpFile(std::string_view original, std::string_view backupFolder, JournalEntry& entry, std::string& error) {
    if (!IsPlainFileName(entry.backupName)) return Fail(error, "not a plain backup name:", entry.backupName, ERROR_INVALID_NAME);
    FileHandle source(::CreateFileW(FileApiPath(original).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!source || !::GetFileInformationByHandle(source.Get(), &data)) return Fail(error, "cannot read", original);
    const std::string backup = InFolder(backupFolder, entry.backupName);
    const std::wstring backupPath = FileApiPath(backup);
    FileHandle copy(::CreateFileW(backupPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) return Fail(error, "cannot write the backup copy", backup);
    uint64_t size = 0, hash = kFnvStart;
    DWORD code = ERROR_SUCCESS;
    const bool copied = ReadPieces(source.Get(), [&](std::string_view piece) {
        size += piece.size();
        hash = Fnv1a64(piece, hash);
        code = Step() ? WriteAll(copy.Get(), piece) : ::GetLastError();
        return code == ERROR_SUCCESS;
    });
    if (!copied && code == ERROR_SUCCESS) code = ::GetLastError();
    // Written through before the journal line that names it: a copy cut short by a power cut
    // must never be what Undo puts back.
    if (code == ERROR_SUCCESS && !(Step() && ::FlushFileBuffers(copy.Get()))) code = ::GetLastError();
    if (code != ERROR_SUCCESS) {
        copy.Reset();
        ::DeleteFileW(backupPath.c_str());
        return Fail(error, copied ? "cannot write the backup copy" : "cannot read", copied ? backup : std::string(original), code);
    }
    entry.originalPath = std::string(original);
    entry.attributes = data.dwFileAttributes;
    entry.created = FileTimeValue(data.ftCreationTime);
    entry.accessed = FileTimeValue(data.ftLastAccessTime);
    entry.written = FileTimeValue(data.ftLastWriteTime);
    entry.copyChecked = true;
    entry.copySize = size;
    entry.copyHash = hash;
    return true;
}

bool CheckBackupCopy(const JournalEntry& entry, std::string_view backupFolder, std::string& error) {
    if (!entry.copyChecked) return true;
    const std::string backup = InFolder(backupFolder, entry.backupName);
    FileHandle file(::CreateFileW(FileApiPath(backup).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return Fail(error, "cannot read the backup copy", backup);
    uint64_t size = 0, hash = kFnvStart;
    if (!ReadPieces(file.Get(), [&](std::string_view piece) {
            size += piece.size();
            hash = Fnv1a64(piece, hash);
            return true;
        }))
        return Fail(error, "cannot read the backup copy", backup);
    if (size != entry.copySize || hash != entry.copyHash) {
        error = "the backup copy " + backup + " is not the one written (" + std::to_string(size) + " bytes instead of " +
                std::to_string(entry.copySize) + ", or other bytes): it is not put back";
        return false;
    }
    return true;
}

bool RestoreFile(const JournalEntry& entry, std::string_view backupFolder, std::string& error) {
    if (!IsPlainFileName(entry.backupName)) return Fail(error, "not a plain backup name:", entry.backupName, ERROR_INVALID_NAME);
    if (!CheckBackupCopy(entry, backupFolder, error)) return false;
    const std::wstring backup = FileApiPath(InFolder(backupFolder, entry.backupName));
    const std::wstring original = FileApiPath(entry.originalPath);
    const std::wstring staging = FileApiPath(entry.originalPath + ".quillmend-restore");
    ::SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!Step() || !::CopyFileW(backup.c_str(), staging.c_str(), FALSE)) return Fail(error, "cannot copy back to", entry.originalPath);
    ::SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        FileHandle file(::CreateFileW(staging.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const FILETIME created = FileTimeOf(entry.created), accessed = FileTimeOf(entry.accessed),
                       written = FileTimeOf(entry.written);
        if (!file || !::FlushFileBuffers(file.Get()) || !::SetFileTime(file.Get(), &created, &accessed, &written)) {
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
    if (!Step() || !::MoveFileExW(staging.c_str(), original.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
    if (!IsPlainFileName(batch.id)) return Fail(error, "cannot delete the journal of batch", batch.id, ERROR_INVALID_NAME);
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
    // Copies are named "<id>-<n><extension>": also those whose line was torn or never written.
    WIN32_FIND_DATAW found;
    FindHandle find(::FindFirstFileW(FileApiPath(InFolder(backupFolder, batch.id + "-*")).c_str(), &found));
    if (find) {
        do {
            const std::string name = Narrow(found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !remove(name))
                return Fail(error, "cannot delete the backup copy", name);
        } while (::FindNextFileW(find.Get(), &found));
    }
    if (!remove(batch.id + std::string(kJournalExtension))) return Fail(error, "cannot delete the journal of batch", batch.id);
    return true;
}

namespace {

// Open for writing (a flush needs it), so each line is put at the end by hand; the share mode
// keeps every other writer out meanwhile.
FileHandle OpenJournal(std::string_view journalPath, DWORD disposition) {
    return FileHandle(::CreateFileW(FileApiPath(journalPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteLine(HANDLE file, std::string_view text, std::string_view journalPath, std::string& error) {
    const LARGE_INTEGER none{};
    DWORD code = !::SetFilePointerEx(file, none, nullptr, FILE_END) ? ::GetLastError()
                 : Step()                                         ? WriteAll(file, text)
                                                                  : ::GetLastError();
    if (code == ERROR_SUCCESS && !(Step() && ::FlushFileBuffers(file))) code = ::GetLastError();
    return code == ERROR_SUCCESS || Fail(error, "cannot write the journal", journalPath, code);
}

}  // namespace

bool CreateJournal(std::string_view journalPath, std::string_view text, bool& exists, std::string& error) {
    exists = false;
    FileHandle file = OpenJournal(journalPath, CREATE_NEW);
    if (!file) {
        const DWORD code = ::GetLastError();
        exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        return Fail(error, "cannot create the journal", journalPath, code);
    }
    if (WriteLine(file.Get(), text, journalPath, error)) return true;
    // A journal without its whole header names no batch: it goes.
    file.Reset();
    ::DeleteFileW(FileApiPath(journalPath).c_str());
    return false;
}

bool AppendToJournal(std::string_view journalPath, std::string_view text, std::string& error) {
    FileHandle file = OpenJournal(journalPath, OPEN_EXISTING);
    if (!file) return Fail(error, "cannot open the journal", journalPath);
    return WriteLine(file.Get(), text, journalPath, error);
}

}  // namespace qm::changes
