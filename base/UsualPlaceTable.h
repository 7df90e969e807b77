// The usual places where shortcuts live (the desktops, the Start menus, the pinned items, Quick
// Launch, SendTo, the Startup folders, Recent items) and how each is found, without any system
// call: the shell's known folders are asked through a function the caller gives, so the rules
// run (and are tested) anywhere. base/win/UsualPlaces.h asks the real shell.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// In the order the folder page lists them.
enum class UsualPlace {
    Desktop,          // the user's desktop
    PublicDesktop,    // the desktop every user sees
    StartMenu,        // the user's Start menu
    CommonStartMenu,  // the Start menu of all users
    TaskbarPins,      // items pinned to the taskbar
    StartPins,        // items pinned to the Start menu
    QuickLaunch,
    SendTo,
    Startup,          // the user's Startup folder
    CommonStartup,    // the Startup folder of all users
    Recent,           // Recent items: one shortcut per document opened
};
inline constexpr std::size_t kUsualPlaceCount = 11;

// The shell's known folders the places are found from.
enum class KnownFolder {
    Profile,         // the user's profile root (C:\Users\Ann)
    RoamingAppData,  // C:\Users\Ann\AppData\Roaming
    Desktop,
    PublicDesktop,
    StartMenu,
    CommonStartMenu,
    UserPinned,  // ...\Quick Launch\User Pinned
    QuickLaunch,
    SendTo,
    Startup,
    CommonStartup,
    Recent,
};

struct UsualPlaceTraits {
    UsualPlace place;
    // The same folder for every user (run as administrator to change it) or the user's own.
    bool machineWide;
    // The language key of the place's name in the results' Location column.
    std::string_view languageKey;
    KnownFolder folder;
    std::string_view below;  // the subfolder of that known folder ("TaskBar"), or empty
    // Where the place lies in a user profile laid out as Windows makes it; empty when
    // machine-wide. Used where the user's own folder says nothing (another user's profile).
    std::string_view inProfile;
    // Ticked on the first start. Recent items are not: a broken shortcut there only means
    // that a document opened once is gone.
    bool tickedAtFirstStart;
};

// Every place, in enum order.
const std::array<UsualPlaceTraits, kUsualPlaceCount>& UsualPlaceTable();
const UsualPlaceTraits& TraitsOf(UsualPlace place);

// A place as found on this machine.
struct UsualPlaceFolder {
    UsualPlace place;
    std::string path;  // full path without a trailing backslash
    // Per-user places: the path below the user's profile root ("Desktop",
    // "AppData\Roaming\Microsoft\Windows\Start Menu"), the user's own where the folder lies in
    // the profile, else the Windows default. Empty for machine-wide places.
    std::string inProfile;
    std::string displayName;  // the shell's name for the folder (filled by base/win)
};

// The known folder's full path, or empty when the shell has none.
using KnownFolderLookup = std::function<std::string(KnownFolder)>;
using FolderExists = std::function<bool(const std::string& path)>;

// The places that exist here, in enum order: a place whose known folder is unknown or whose
// folder is not there is left out, and so is one whose folder another place has already named.
// Where the shell does not know them by themselves (Wine knows neither), Quick Launch is found
// at its place in the roaming application data and the pinned folders in "User Pinned" under
// it.
std::vector<UsualPlaceFolder> ResolveUsualPlaces(const KnownFolderLookup& lookup, const FolderExists& exists);

// The innermost place that holds `path` (the user's Startup folder rather than the Start menu
// around it), or nothing outside every place.
std::optional<UsualPlace> PlaceHolding(const std::vector<UsualPlaceFolder>& places, std::string_view path);

// The folder of a per-user place in another user's profile: the profile root and the place's
// `inProfile` part. Empty for a machine-wide place.
std::string PlaceInProfile(const UsualPlaceFolder& place, std::string_view profileRoot);

}  // namespace qm
