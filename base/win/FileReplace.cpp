#include "base/win/FileReplace.h"

#include "base/PathSplit.h"
#include "base/win/FileFault.h"
#include "base/win/LongPath.h"

#include <algorithm>

namespace qm {

TemporaryFile::TemporaryFile(const std::string& besidePath) {
    const std::string folder = PathFolder(besidePath);
    if (BeforeFileStep() != ERROR_SUCCESS) return;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + "\\~qm" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount() + attempt) + ".tmp";
        const std::wstring path = FileApiPath(name);
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

}  // namespace qm
