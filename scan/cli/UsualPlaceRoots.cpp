#include "scan/cli/UsualPlaceRoots.h"

#include "base/PathSplit.h"
#include "base/PathText.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "base/win/UsualPlaces.h"

#include <windows.h>

#include <algorithm>

namespace qm::scan {
namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Ticked(UsualPlace place) { return TraitsOf(place).tickedAtFirstStart; }

// Roots inside another root are searched with it: each is dropped, its profile with it.
std::vector<PlaceRoot> WithoutNested(const std::vector<PlaceRoot>& roots) {
    std::vector<std::string> paths;
    for (const PlaceRoot& root : roots) paths.push_back(root.path);
    std::vector<PlaceRoot> kept;
    for (const std::string& path : WithoutNestedRoots(paths)) {
        kept.push_back(*std::find_if(roots.begin(), roots.end(), [&](const PlaceRoot& r) { return r.path == path; }));
    }
    return kept;
}

// Account profiles only: local and domain accounts (S-1-5-21-...) and Azure AD ones (S-1-12-1-...);
// not a key that Windows kept of a profile it could not load ("S-1-5-21-...-1001.bak").
bool IsAccountSid(std::wstring_view sid) {
    return (sid.rfind(L"S-1-5-21-", 0) == 0 || sid.rfind(L"S-1-12-1-", 0) == 0) && sid.find(L'.') == std::wstring_view::npos;
}

std::wstring Expanded(const std::wstring& text) {
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::ExpandEnvironmentStringsW(text.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (length == 0) return text;
        if (length <= out.size()) {
            out.resize(length - 1);
            return out;
        }
        out.resize(length);
    }
}

// The profile folders the registry lists, in its order.
std::vector<std::string> ProfileRoots() {
    std::vector<std::string> roots;
    RegistryKey list;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                        KEY_READ | KEY_WOW64_64KEY, list.Put()) != ERROR_SUCCESS)
        return roots;
    for (DWORD index = 0;; ++index) {
        wchar_t sid[256];
        DWORD sidLength = static_cast<DWORD>(std::size(sid));
        const LONG status = ::RegEnumKeyExW(list.Get(), index, sid, &sidLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || !IsAccountSid(sid)) continue;
        std::wstring path(MAX_PATH, L'\0');
        DWORD bytes = static_cast<DWORD>(path.size() * sizeof(wchar_t));
        LONG read = ::RegGetValueW(list.Get(), sid, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                   nullptr, path.data(), &bytes);
        if (read == ERROR_MORE_DATA) {
            path.resize(bytes / sizeof(wchar_t) + 1);
            read = ::RegGetValueW(list.Get(), sid, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                  nullptr, path.data(), &bytes);
        }
        if (read != ERROR_SUCCESS) continue;
        path.resize(wcsnlen(path.c_str(), path.size()));
        std::string root = WithoutTrailingBackslash(Narrow(Expanded(path)));
        if (root.empty() || !IsFolder(root)) continue;
        const bool listed = std::any_of(roots.begin(), roots.end(),
                                        [&](const std::string& r) { return PathCompareKey(r) == PathCompareKey(root); });
        if (!listed) roots.push_back(std::move(root));
    }
    return roots;
}

}  // namespace

std::vector<PlaceRoot> UsualPlaceRootsOfCaller() {
    std::vector<PlaceRoot> roots;
    const std::string profile = PathFileName(KnownFolderPath(KnownFolder::Profile));
    for (const UsualPlaceFolder& place : FindUsualPlaces()) {
        if (!Ticked(place.place)) continue;
        roots.push_back({place.path, TraitsOf(place.place).machineWide ? kAllUsersProfile : profile});
    }
    return WithoutNested(roots);
}

std::vector<PlaceRoot> UsualPlaceRootsOfAllUsers() {
    const std::vector<UsualPlaceFolder> callers = FindUsualPlaces();
    const std::string callerProfile = PathCompareKey(KnownFolderPath(KnownFolder::Profile));
    std::vector<PlaceRoot> roots;
    for (const UsualPlaceFolder& place : callers) {
        if (Ticked(place.place) && TraitsOf(place.place).machineWide) roots.push_back({place.path, kAllUsersProfile});
    }
    for (const std::string& profileRoot : ProfileRoots()) {
        const std::string profile = PathFileName(profileRoot);
        if (PathCompareKey(profileRoot) == callerProfile) {
            for (const UsualPlaceFolder& place : callers) {
                if (Ticked(place.place) && !TraitsOf(place.place).machineWide) roots.push_back({place.path, profile});
            }
            continue;
        }
        for (const UsualPlaceTraits& traits : UsualPlaceTable()) {
            if (!traits.tickedAtFirstStart || traits.machineWide) continue;
            // Where the caller's own place lies in the profile, else Windows' layout.
            UsualPlaceFolder place{traits.place, {}, std::string(traits.inProfile), {}};
            const auto own = std::find_if(callers.begin(), callers.end(), [&](const UsualPlaceFolder& p) { return p.place == traits.place; });
            if (own != callers.end() && !own->inProfile.empty()) place.inProfile = own->inProfile;
            const std::string path = PlaceInProfile(place, profileRoot);
            if (IsFolder(path)) roots.push_back({path, profile});
        }
    }
    return WithoutNested(roots);
}

}  // namespace qm::scan
