#include "changes/ShortcutFile.h"

#include "base/win/FileAccess.h"
#include "base/win/FileFault.h"
#include "base/win/FileReplace.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"
#include "base/PathSplit.h"
#include "base/Text.h"
#include "suite/lnk/InternetShortcut.h"
#include "suite/lnk/ShellLink.h"
#include "suite/lnk/ShellLinkEditor.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

namespace qm::changes {
namespace {

// The whole file, or nullopt when it cannot be opened or read or is larger than any link.
std::optional<std::string> ReadLinkFile(std::string_view path) { return ReadWholeFile(path, lnk::kMaxLinkFileSize); }

const unsigned char* BytesOf(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

std::string ExpandVariables(const std::string& text) {
    const std::wstring wide = Widen(text);
    std::wstring out(wide.size() + 1, L'\0');
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsW(wide.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (needed == 0) return text;
        if (needed <= out.size()) {
            out.resize(needed - 1);
            return Narrow(out);
        }
        out.resize(needed);
    }
}

// What the link's header and VolumeID record of the new target; nullopt when it is not a full
// path to something that exists.
std::optional<lnk::NewTarget> DescribeTarget(const std::string& path) {
    std::string plain = path;
    if (plain.rfind("\\\\?\\UNC\\", 0) == 0)
        plain = "\\\\" + plain.substr(8);
    else if (plain.rfind("\\\\?\\", 0) == 0)
        plain = plain.substr(4);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(plain).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    lnk::NewTarget target;
    target.path = plain;
    target.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    target.attributes = data.dwFileAttributes;
    target.size = JoinHalves(data.nFileSizeHigh, data.nFileSizeLow);
    target.creationTime = FileTimeValue(data.ftCreationTime);
    target.accessTime = FileTimeValue(data.ftLastAccessTime);
    target.writeTime = FileTimeValue(data.ftLastWriteTime);
    if (plain.size() >= 2 && plain[1] == ':') {
        const std::wstring root = Widen(plain.substr(0, 2)) + L"\\";
        target.driveType = ::GetDriveTypeW(root.c_str());
        wchar_t label[MAX_PATH + 1] = {};
        DWORD serial = 0;
        if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr, 0)) {
            target.driveSerialNumber = serial;
            target.volumeLabel = Narrow(label);
        }
    }
    return target;
}

// An internet shortcut is told by its name, as the shell and the search tell it.
bool IsInternetShortcut(const std::string& path) {
    return path.size() >= 4 && EqualsIgnoringAsciiCase(std::string_view(path).substr(path.size() - 4), ".url");
}

// The file-system path an internet shortcut opens: empty for a web address or any other scheme.
// nullopt when the file is no internet shortcut with a URL.
std::optional<std::string> InternetShortcutTarget(const std::string& bytes) {
    const lnk::InternetShortcutInfo shortcut = lnk::ParseInternetShortcut(BytesOf(bytes), bytes.size());
    if (shortcut.status != lnk::UrlFileStatus::Ok) return std::nullopt;
    const std::optional<lnk::UrlPath> path = lnk::PathFromUrl(shortcut.url);
    return path ? path->path : std::string();
}

// The shortcut's new bytes: a shell link through the link editor, an internet shortcut with
// its URL (and an icon file that named the old target) changed and every other byte kept.
RetargetFailure EditedShortcut(const std::string& shortcutPath, const std::string& bytes, const lnk::NewTarget& target,
                               std::vector<unsigned char>& edited) {
    if (IsInternetShortcut(shortcutPath)) {
        if (lnk::ParseInternetShortcut(BytesOf(bytes), bytes.size()).status != lnk::UrlFileStatus::Ok)
            return RetargetFailure::ShortcutUnreadable;
        lnk::UrlRetargetResult result = lnk::RetargetInternetShortcut(BytesOf(bytes), bytes.size(), target.path);
        if (!result.ok) return RetargetFailure::CannotEdit;
        edited = std::move(result.bytes);
        return RetargetFailure::None;
    }
    lnk::RetargetContext context;
    context.linkFolder = PathFolder(shortcutPath);
    context.folderExists = [](const std::string& folder) { return IsFolder(folder); };
    context.expandVariables = ExpandVariables;
    lnk::RetargetResult result = lnk::RetargetShellLink(BytesOf(bytes), bytes.size(), target, context);
    if (!result.ok)
        return lnk::ParseShellLink(BytesOf(bytes), bytes.size()).status != lnk::ParseStatus::Ok ? RetargetFailure::ShortcutUnreadable
                                                                                               : RetargetFailure::CannotEdit;
    edited = std::move(result.bytes);
    return RetargetFailure::None;
}

}  // namespace

bool ReadShortcutTarget(const std::string& shortcutPath, std::string& target) {
    if (shortcutPath.empty()) return false;
    const std::optional<std::string> bytes = ReadLinkFile(shortcutPath);
    if (!bytes) return false;
    if (IsInternetShortcut(shortcutPath)) {
        std::optional<std::string> path = InternetShortcutTarget(*bytes);
        if (path) target = std::move(*path);
        return path.has_value();
    }
    const lnk::ShellLinkInfo link = lnk::ParseShellLink(BytesOf(*bytes), bytes->size());
    if (link.status != lnk::ParseStatus::Ok) return false;
    target = lnk::LinkTargetPath(link, ExpandVariables);
    return true;
}

RetargetFailure RetargetShortcut(const std::string& shortcutPath, const std::string& newTarget, unsigned long* systemError) {
    DWORD ignored = ERROR_SUCCESS;
    DWORD& code = systemError ? *systemError : ignored;
    code = ERROR_SUCCESS;
    // The system's reason for the step that failed.
    auto failed = [&](RetargetFailure failure) {
        code = ::GetLastError();
        return failure;
    };
    const std::optional<std::string> bytes = ReadLinkFile(shortcutPath);
    if (!bytes) return RetargetFailure::ShortcutUnreadable;
    const std::optional<lnk::NewTarget> target = DescribeTarget(newTarget);
    if (!target) return RetargetFailure::TargetUnusable;

    std::vector<unsigned char> edited;
    if (const RetargetFailure failure = EditedShortcut(shortcutPath, *bytes, *target, edited); failure != RetargetFailure::None)
        return failure;

    // The new file, complete on disk and read back, then swapped for the old one.
    TemporaryFile temporary(shortcutPath);
    const std::string_view newBytes(reinterpret_cast<const char*>(edited.data()), edited.size());
    if (!temporary.IsOpen() || WriteAll(temporary.Handle(), newBytes) != ERROR_SUCCESS ||
        BeforeFileStep() != ERROR_SUCCESS || !::FlushFileBuffers(temporary.Handle()))
        return failed(RetargetFailure::CannotWrite);
    temporary.Close();
    const std::optional<std::string> readBack = ReadLinkFile(Narrow(temporary.Path()));
    if (!readBack || *readBack != newBytes) return RetargetFailure::CannotWrite;
    if (const ReplaceResult replaced = ReplaceKeepingMetadata(shortcutPath, temporary.Path()); replaced.error != ERROR_SUCCESS) {
        code = replaced.error;
        return RetargetFailure::CannotReplace;
    }
    temporary.Keep();
    return RetargetFailure::None;
}

}  // namespace qm::changes
