#include "folders/Drives.h"

#include "base/Text.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/UsualPlaces.h"

#include <windows.h>

#include <iterator>

namespace qm::folders {

std::vector<std::string> DriveRoots() {
    std::vector<std::string> roots;
    // "C:\<NUL>D:\<NUL>...<NUL>": four characters per drive.
    wchar_t list[1024] = {};
    const DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(list) - 1), list);
    if (length == 0 || length >= std::size(list)) return roots;
    for (DWORD entry = 0; entry < length / 4; ++entry) {
        const wchar_t root[] = {list[entry * 4], L':', L'\\', 0};
        roots.push_back(Narrow(root));
    }
    return roots;
}

std::optional<DriveInfo> QueryDrive(const std::string& rootPath) {
    QuietCriticalErrors quiet;
    const std::wstring root = Widen(rootPath);
    ULARGE_INTEGER available, total, free;
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) return std::nullopt;

    wchar_t label[256] = {};
    wchar_t fileSystem[256] = {};
    // Unreadable volume information leaves the label empty.
    if (!::GetVolumeInformationW(root.c_str(), label, 256, nullptr, nullptr, nullptr, fileSystem, 256)) label[0] = 0;
    DriveInfo drive;
    drive.label = Narrow(label);
    drive.rootPath = rootPath;
    drive.driveName = rootPath.substr(0, 2);
    {
        ComApartment com;  // the shell's names need COM on this (loader) thread
        // Wine names an unlabelled drive " (C:)".
        drive.displayName = std::string(Trim(ShellDisplayName(rootPath)));
    }
    return drive;
}

std::vector<DriveInfo> ListDrives() {
    std::vector<DriveInfo> drives;
    for (const std::string& root : DriveRoots())
        if (std::optional<DriveInfo> drive = QueryDrive(root)) drives.push_back(std::move(*drive));
    return drives;
}

}  // namespace qm::folders
