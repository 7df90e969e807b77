#include "app/UserStateFile.h"

#include "base/Text.h"
#include "base/Utf.h"
#include "base/win/FileReplace.h"
#include "base/win/LongPath.h"
#include "base/win/SystemText.h"

#include <cstddef>
#include <cstdint>

namespace qm::app {

// Written at build time from res/data/QuillMend.xml.
extern const char kFreshUserStateFile[];
extern const std::size_t kFreshUserStateFileSize;

namespace {

bool IsMissing(HRESULT code) {
    return code == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || code == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

std::string Reason(DWORD error) { return Narrow(SystemMessage(error)); }

// Moves the damaged file to the first free name of "<path>.damaged", "<path>.damaged-2"...; the
// new name, or "" with `error` set.
std::string KeepAside(const std::string& path, DWORD& error) {
    for (int attempt = 1; attempt <= 99; ++attempt) {
        std::string kept = path + ".damaged";
        if (attempt > 1) kept.append("-").append(std::to_string(attempt));
        if (::MoveFileExW(FileApiPath(path).c_str(), FileApiPath(kept).c_str(), MOVEFILE_WRITE_THROUGH)) return kept;
        error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return {};
    }
    return {};
}

// The attribute of the top element that remembers the last notice shown, as a fingerprint: an
// attribute would not keep the notice's line breaks.
constexpr std::string_view kLastNotice = "last_notice";

std::string Fingerprint(std::string_view text) {
    if (text.empty()) return {};
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    std::string hex(16, '0');
    for (size_t i = hex.size(); i-- > 0; hash >>= 4) hex[i] = "0123456789abcdef"[hash & 0xF];
    return hex;
}

std::string Unusable(const std::string& reason) { return FillIn(host::Text("_QM_StateUnusable"), "{reason}", reason); }

}  // namespace

std::string LoadUserStateFile(const host::XmlStoreComponent& store, const std::string& path) {
    std::string kept;
    std::string failure;
    try {
        store.Load(path);
        return {};
    } catch (const host::ComponentError& error) {
        failure = error.Message();
        const bool malformed = error.Code() == HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        if (path.empty() || (!malformed && !IsMissing(error.Code()))) return Unusable(failure);
        if (malformed) {
            DWORD moveError = ERROR_SUCCESS;
            kept = KeepAside(path, moveError);
            if (kept.empty()) return Unusable(failure + "\n" + path + ": " + Reason(moveError));
        }
    }
    // The folder may be gone with the file; one level is made again, no more.
    const size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 0) ::CreateDirectoryW(FileApiPath(path.substr(0, slash)).c_str(), nullptr);
    if (const DWORD error = ReplaceFileContent(path, {kFreshUserStateFile, kFreshUserStateFileSize}); error != ERROR_SUCCESS) {
        return Unusable(failure + "\n" + path + ": " + Reason(error));
    }
    try {
        store.Load(path);
    } catch (const host::ComponentError& error) {
        return Unusable(error.Message());
    }
    if (kept.empty()) return FillIn(host::Text("_QM_StateCreated"), "{file}", path);
    return FillIn(FillIn(FillIn(host::Text("_QM_StateReplaced"), "{reason}", failure), "{kept}", kept), "{file}", path);
}

bool IsNewNotice(const host::XmlStoreComponent& store, const std::string& notice) {
    try {
        host::ComPtr<IXmlNode> top = store.SelectNode("config");
        if (!top) return !notice.empty();
        const std::string fingerprint = Fingerprint(notice);
        if (store.GetAttribute(top.Get(), kLastNotice) == fingerprint) return false;
        store.SetAttribute(top.Get(), kLastNotice, fingerprint);
        store.Save();
    } catch (const host::ComponentError&) {
        // Not remembered (a read-only file, say): told again at the next start, which does no harm.
    }
    return !notice.empty();
}

}  // namespace qm::app
