#include "suite/components/FileIo.h"

#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "suite/components/ComObject.h"

#include <atomic>
#include <cwchar>

namespace qm::suite {
namespace {

std::wstring Describe(const wchar_t* what, const std::wstring& path, std::wstring_view reason) {
    std::wstring text = std::wstring(L"The ") + what + L" \"" + path + L"\" " + std::wstring(reason);
    return text;
}

[[noreturn]] void ThrowLastError(DWORD error, const wchar_t* what, const std::wstring& path, std::wstring_view doing) {
    throw ComFailure(HRESULT_FROM_WIN32(error),
                     Describe(what, path, std::wstring(doing) + L": " + ErrorText(error)));
}

}  // namespace

std::wstring ErrorText(DWORD error) {
    std::wstring text = qm::SystemMessage(error);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        wchar_t code[32];
        std::swprintf(code, 32, L"error %lu", static_cast<unsigned long>(error));
        text = code;
    }
    return text;
}

std::string ReadTextFile(const std::wstring& path, const wchar_t* what) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            throw ComFailure(HRESULT_FROM_WIN32(error), Describe(what, path, L"does not exist."));
        }
        ThrowLastError(error, what, path, L"cannot be opened");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) ThrowLastError(::GetLastError(), what, path, L"cannot be read");
    if (size.QuadPart > static_cast<LONGLONG>(kMaxTextFileBytes)) {
        throw ComFailure(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), Describe(what, path, L"is too large to be one."));
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), content.data() + done, static_cast<DWORD>(content.size() - done), &read, nullptr)) {
            ThrowLastError(::GetLastError(), what, path, L"cannot be read");
        }
        if (read == 0) break;  // shrank while we read: take what is there
        done += read;
    }
    content.resize(done);
    return content;
}

void CheckReplaceable(const std::wstring& path, const wchar_t* what) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw ComFailure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
                         Describe(what, path, L"is read-only; the change was not saved."));
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw ComFailure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Describe(what, path, L"is a folder, not a file."));
    }
}

std::wstring TemporarySibling(const std::wstring& path) {
    static std::atomic<unsigned long> counter{0};
    wchar_t suffix[64];
    std::swprintf(suffix, 64, L".%lu-%lu.tmp", static_cast<unsigned long>(::GetCurrentProcessId()), ++counter);
    return path + suffix;
}

void ReplaceWithTemporary(const std::wstring& temporary, const std::wstring& path, const wchar_t* what) {
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        ThrowLastError(error, what, path, L"cannot be replaced; the change was not saved");
    }
}

void WriteFileAtomically(const std::wstring& path, std::string_view content, const wchar_t* what) {
    CheckReplaceable(path, what);
    const std::wstring temporary = TemporarySibling(path);
    {
        FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) ThrowLastError(::GetLastError(), what, path, L"cannot be written (no temporary file beside it)");
        size_t done = 0;
        bool written = true;
        DWORD error = ERROR_SUCCESS;
        while (done < content.size()) {
            DWORD chunk = 0;
            if (!::WriteFile(file.Get(), content.data() + done, static_cast<DWORD>(content.size() - done), &chunk, nullptr)) {
                written = false;
                error = ::GetLastError();
                break;
            }
            done += chunk;
        }
        if (written && !::FlushFileBuffers(file.Get())) {
            written = false;
            error = ::GetLastError();
        }
        if (!written) {
            file.Reset();
            ::DeleteFileW(temporary.c_str());
            ThrowLastError(error, what, path, L"cannot be written");
        }
    }
    ReplaceWithTemporary(temporary, path, what);
}

}  // namespace qm::suite
