#include "base/win/UsualPlaces.h"

#include "base/Utf.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

namespace qm {
namespace {

const KNOWNFOLDERID& IdOf(KnownFolder folder) {
    switch (folder) {
    case KnownFolder::Profile: return FOLDERID_Profile;
    case KnownFolder::RoamingAppData: return FOLDERID_RoamingAppData;
    case KnownFolder::Desktop: return FOLDERID_Desktop;
    case KnownFolder::PublicDesktop: return FOLDERID_PublicDesktop;
    case KnownFolder::StartMenu: return FOLDERID_StartMenu;
    case KnownFolder::CommonStartMenu: return FOLDERID_CommonStartMenu;
    case KnownFolder::UserPinned: return FOLDERID_UserPinned;
    case KnownFolder::QuickLaunch: return FOLDERID_QuickLaunch;
    case KnownFolder::SendTo: return FOLDERID_SendTo;
    case KnownFolder::Startup: return FOLDERID_Startup;
    case KnownFolder::CommonStartup: return FOLDERID_CommonStartup;
    case KnownFolder::Recent: return FOLDERID_Recent;
    }
    return FOLDERID_Profile;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string KnownFolderPath(KnownFolder folder) {
    TaskMemoryText path;
    // No KF_FLAG_CREATE: a folder this machine does not have stays absent.
    if (FAILED(::SHGetKnownFolderPath(IdOf(folder), 0, nullptr, path.Put())) || !path) return {};
    return Narrow(path.Get());
}

std::vector<UsualPlaceFolder> FindUsualPlaces() {
    std::vector<UsualPlaceFolder> places = ResolveUsualPlaces(KnownFolderPath, IsFolder);
    for (UsualPlaceFolder& place : places) place.displayName = ShellDisplayName(place.path);
    return places;
}

std::string ShellDisplayName(const std::string& path) {
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(Widen(path).c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME)) return {};
    return Narrow(info.szDisplayName);
}

IconHandle ShellIcon(const std::string& path, int pixels) {
    const std::wstring wide = Widen(path);
    SHFILEINFOW info{};
    // The icon's own file gives it at the size asked for; the shell's small icon is 16 pixels.
    if (::SHGetFileInfoW(wide.c_str(), 0, &info, sizeof(info), SHGFI_ICONLOCATION) && info.szDisplayName[0]) {
        HICON extracted = nullptr;
        UINT id = 0;
        if (::PrivateExtractIconsW(info.szDisplayName, info.iIcon, pixels, pixels, &extracted, &id, 1, 0) == 1 && extracted)
            return IconHandle(extracted);
    }
    info = {};
    if (!::SHGetFileInfoW(wide.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) return {};
    return IconHandle(info.hIcon);
}

}  // namespace qm
