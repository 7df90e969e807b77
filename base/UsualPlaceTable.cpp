#include "base/UsualPlaceTable.h"

#include "base/PathText.h"

#include <algorithm>

namespace qm {
namespace {

using P = UsualPlace;
using K = KnownFolder;
// clang-format off
constexpr std::array<UsualPlaceTraits, kUsualPlaceCount> kTable = {{
    {P::Desktop,         false, "_QM_PlaceDesktop",         K::Desktop,         "",         "Desktop",                                                        true},
    {P::PublicDesktop,   true,  "_QM_PlacePublicDesktop",   K::PublicDesktop,   "",         "",                                                               true},
    {P::StartMenu,       false, "_QM_PlaceStartMenu",       K::StartMenu,       "",         "AppData\\Roaming\\Microsoft\\Windows\\Start Menu",               true},
    {P::CommonStartMenu, true,  "_QM_PlaceCommonStartMenu", K::CommonStartMenu, "",         "",                                                               true},
    {P::TaskbarPins,     false, "_QM_PlaceTaskbarPins",     K::UserPinned,      "TaskBar",  "AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar",   true},
    {P::StartPins,       false, "_QM_PlaceStartPins",       K::UserPinned,      "StartMenu", "AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\StartMenu", true},
    {P::QuickLaunch,     false, "_QM_PlaceQuickLaunch",     K::QuickLaunch,     "",         "AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch",   true},
    {P::SendTo,          false, "_QM_PlaceSendTo",          K::SendTo,          "",         "AppData\\Roaming\\Microsoft\\Windows\\SendTo",                   true},
    {P::Startup,         false, "_QM_PlaceStartup",         K::Startup,         "",         "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", true},
    {P::CommonStartup,   true,  "_QM_PlaceCommonStartup",   K::CommonStartup,   "",         "",                                                               true},
    {P::Recent,          false, "_QM_PlaceRecent",          K::Recent,          "",         "AppData\\Roaming\\Microsoft\\Windows\\Recent",                   false},
}};
// clang-format on

std::string Joined(std::string_view folder, std::string_view below) {
    std::string path = WithoutTrailingBackslash(std::string(folder));
    if (!below.empty()) path.append("\\").append(below);
    return path;
}

// The part of `path` below `root`, when it lies strictly inside it.
std::optional<std::string> BelowRoot(std::string_view path, std::string_view root) {
    const std::string base = WithoutTrailingBackslash(std::string(root));
    if (base.empty() || path.size() <= base.size() + 1 || !IsSameOrInside(path, base)) return std::nullopt;
    return std::string(path.substr(base.size() + 1));
}

}  // namespace

const std::array<UsualPlaceTraits, kUsualPlaceCount>& UsualPlaceTable() {
    return kTable;
}

const UsualPlaceTraits& TraitsOf(UsualPlace place) { return kTable[static_cast<std::size_t>(place)]; }

std::vector<UsualPlaceFolder> ResolveUsualPlaces(const KnownFolderLookup& lookup, const FolderExists& exists) {
    std::vector<UsualPlaceFolder> found;
    const std::string profile = lookup(KnownFolder::Profile);
    std::string quickLaunch = lookup(KnownFolder::QuickLaunch);
    if (quickLaunch.empty()) {
        const std::string roaming = lookup(KnownFolder::RoamingAppData);
        if (!roaming.empty()) quickLaunch = Joined(roaming, "Microsoft\\Internet Explorer\\Quick Launch");
    }
    std::string pinned = lookup(KnownFolder::UserPinned);
    if (pinned.empty() && !quickLaunch.empty()) pinned = Joined(quickLaunch, "User Pinned");
    for (const UsualPlaceTraits& traits : kTable) {
        const std::string folder = traits.folder == KnownFolder::UserPinned    ? pinned
                                   : traits.folder == KnownFolder::QuickLaunch ? quickLaunch
                                                                               : lookup(traits.folder);
        if (folder.empty()) continue;
        UsualPlaceFolder place{traits.place, Joined(folder, traits.below), {}, {}};
        if (!exists(place.path)) continue;
        const auto samePath = [&](const UsualPlaceFolder& earlier) {
            return IsSameOrInside(earlier.path, place.path) && IsSameOrInside(place.path, earlier.path);
        };
        if (std::any_of(found.begin(), found.end(), samePath)) continue;
        if (!traits.machineWide) place.inProfile = BelowRoot(place.path, profile).value_or(std::string(traits.inProfile));
        found.push_back(std::move(place));
    }
    return found;
}

std::optional<UsualPlace> PlaceHolding(const std::vector<UsualPlaceFolder>& places, std::string_view path) {
    std::optional<UsualPlace> holder;
    std::size_t holderLength = 0;
    for (const UsualPlaceFolder& place : places) {
        if (place.path.size() < holderLength || !IsSameOrInside(path, place.path)) continue;
        holder = place.place;
        holderLength = place.path.size();
    }
    return holder;
}

std::string PlaceInProfile(const UsualPlaceFolder& place, std::string_view profileRoot) {
    if (place.inProfile.empty()) return {};
    return Joined(profileRoot, place.inProfile);
}

}  // namespace qm
