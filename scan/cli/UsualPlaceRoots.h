// The roots of QuillMendScan --usual-places and --all-users: the usual places where shortcuts
// live (base/UsualPlaceTable.h), as the program ticks them on its first start (every place but
// Recent items), of the user running it or of every user profile on the machine.
#pragma once

#include <string>
#include <vector>

namespace qm::scan {

struct PlaceRoot {
    std::string path;
    // The profile the root belongs to: the profile folder's name ("Ann"); "All Users" for the
    // places every user shares (the public desktop, the Start menu and Startup folder of all users).
    std::string profile;
};

inline constexpr const char* kAllUsersProfile = "All Users";

// The calling user's places and the machine-wide ones, as the shell's known folders name them.
std::vector<PlaceRoot> UsualPlaceRootsOfCaller();

// The machine-wide places and the per-user places of every user profile the registry lists
// (HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList, the accounts' profiles only:
// not those of the system's services). Another user's places are found where the calling
// user's lie in their profile, or where Windows lays them out; the caller's own as the shell
// names them. A place missing in a profile is left out, and so is a root inside another.
std::vector<PlaceRoot> UsualPlaceRootsOfAllUsers();

}  // namespace qm::scan
