// How the usual places are found from the shell's known folders, and which place holds a path.
#include "base/UsualPlaceTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace qm {
namespace {

const std::string kRoaming = "C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\";

// A machine laid out as Windows makes it.
std::map<KnownFolder, std::string> WindowsLayout() {
    return {
        {KnownFolder::Profile, "C:\\Users\\Ann"},
        {KnownFolder::RoamingAppData, "C:\\Users\\Ann\\AppData\\Roaming"},
        {KnownFolder::Desktop, "C:\\Users\\Ann\\Desktop"},
        {KnownFolder::PublicDesktop, "C:\\Users\\Public\\Desktop"},
        {KnownFolder::StartMenu, kRoaming + "Windows\\Start Menu"},
        {KnownFolder::CommonStartMenu, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
        {KnownFolder::UserPinned, kRoaming + "Internet Explorer\\Quick Launch\\User Pinned"},
        {KnownFolder::QuickLaunch, kRoaming + "Internet Explorer\\Quick Launch"},
        {KnownFolder::SendTo, kRoaming + "Windows\\SendTo"},
        {KnownFolder::Startup, kRoaming + "Windows\\Start Menu\\Programs\\Startup"},
        {KnownFolder::CommonStartup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {KnownFolder::Recent, kRoaming + "Windows\\Recent"},
    };
}

std::vector<UsualPlaceFolder> Resolve(const std::map<KnownFolder, std::string>& known,
                                      const std::set<std::string>& missing = {}) {
    return ResolveUsualPlaces(
        [&](KnownFolder folder) {
            const auto found = known.find(folder);
            return found == known.end() ? std::string() : found->second;
        },
        [&](const std::string& path) { return !missing.count(path); });
}

TEST(UsualPlaces, EveryPlaceOfAWindowsProfileInTheTablesOrderWithItsPathInTheProfile) {
    const std::vector<UsualPlaceFolder> places = Resolve(WindowsLayout());
    ASSERT_EQ(places.size(), kUsualPlaceCount);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const UsualPlaceTraits& traits = UsualPlaceTable()[i];
        EXPECT_EQ(places[i].place, traits.place);
        // The user's own layout is the Windows default here, so both agree.
        EXPECT_EQ(places[i].inProfile, traits.inProfile) << traits.languageKey;
        if (!traits.machineWide) {
            EXPECT_EQ(places[i].path, "C:\\Users\\Ann\\" + places[i].inProfile);
        }
    }
    EXPECT_EQ(places[4].path, kRoaming + "Internet Explorer\\Quick Launch\\User Pinned\\TaskBar");
    EXPECT_EQ(places[5].path, kRoaming + "Internet Explorer\\Quick Launch\\User Pinned\\StartMenu");
    EXPECT_TRUE(places[1].inProfile.empty());
    // Everything but Recent items is ticked at the first start.
    for (const UsualPlaceTraits& traits : UsualPlaceTable())
        EXPECT_EQ(traits.tickedAtFirstStart, traits.place != UsualPlace::Recent) << traits.languageKey;
}

TEST(UsualPlaces, MachinesThatDifferFromTheDefault) {
    struct Case {
        const char* what;
        std::map<KnownFolder, std::string> changes;  // an empty path: the shell does not know it
        std::set<std::string> missing;
        std::vector<std::pair<UsualPlace, std::string>> expected;  // the places that differ or go
    };
    const std::string pinned = kRoaming + "Internet Explorer\\Quick Launch\\User Pinned";
    const Case cases[] = {
        {"pins found under Quick Launch when the shell has no User Pinned folder",
         {{KnownFolder::UserPinned, ""}, {KnownFolder::QuickLaunch, kRoaming + "Internet Explorer\\Quick Launch\\"}},
         {},
         {{UsualPlace::TaskbarPins, pinned + "\\TaskBar"}, {UsualPlace::StartPins, pinned + "\\StartMenu"}}},
        {"Quick Launch and the pins found in the roaming data when the shell knows neither",
         {{KnownFolder::UserPinned, ""}, {KnownFolder::QuickLaunch, ""}},
         {},
         {{UsualPlace::QuickLaunch, kRoaming + "Internet Explorer\\Quick Launch"}, {UsualPlace::StartPins, pinned + "\\StartMenu"}}},
        {"a folder that is not there and a folder the shell does not know are left out",
         {{KnownFolder::SendTo, ""}},
         {pinned + "\\StartMenu"},
         {{UsualPlace::SendTo, ""}, {UsualPlace::StartPins, ""}}},
        {"a desktop moved out of the profile keeps the default place in profiles",
         {{KnownFolder::Desktop, "D:\\Desk"}},
         {},
         {{UsualPlace::Desktop, "D:\\Desk"}}},
        {"a folder two places name is listed once",
         {{KnownFolder::PublicDesktop, "c:\\users\\ann\\desktop\\"}},
         {},
         {{UsualPlace::PublicDesktop, ""}}},
    };
    for (const Case& c : cases) {
        std::map<KnownFolder, std::string> known = WindowsLayout();
        for (const auto& [folder, path] : c.changes) known[folder] = path;
        const std::vector<UsualPlaceFolder> places = Resolve(known, c.missing);
        std::map<UsualPlace, const UsualPlaceFolder*> byPlace;
        for (const UsualPlaceFolder& place : places) byPlace[place.place] = &place;
        std::size_t gone = 0;
        for (const auto& [place, path] : c.expected) {
            if (path.empty()) {
                ++gone;
                EXPECT_FALSE(byPlace.count(place)) << c.what;
            } else {
                const auto found = byPlace.find(place);
                EXPECT_TRUE(found != byPlace.end() && found->second->path == path) << c.what << ": " << path;
            }
        }
        EXPECT_EQ(places.size(), kUsualPlaceCount - gone) << c.what;
    }
    std::map<KnownFolder, std::string> moved = WindowsLayout();
    moved[KnownFolder::Desktop] = "D:\\Desk";
    EXPECT_EQ(Resolve(moved).front().inProfile, "Desktop");
    moved[KnownFolder::Desktop] = "C:\\Users\\Ann\\OneDrive\\Desktop";
    EXPECT_EQ(Resolve(moved).front().inProfile, "OneDrive\\Desktop");
}

TEST(UsualPlaces, TheInnermostPlaceHoldsAPath) {
    const std::vector<UsualPlaceFolder> places = Resolve(WindowsLayout());
    const struct {
        std::string path;
        std::optional<UsualPlace> holder;
    } cases[] = {
        {"C:\\Users\\Ann\\Desktop\\Tool.lnk", UsualPlace::Desktop},
        {"c:\\USERS\\ann\\desktop\\Sub\\Tool.lnk", UsualPlace::Desktop},
        {"C:\\Users\\Ann\\Desktop2\\Tool.lnk", std::nullopt},
        {"C:\\Users\\Ann\\Tool.lnk", std::nullopt},
        {kRoaming + "Windows\\Start Menu\\Programs\\Tool.lnk", UsualPlace::StartMenu},
        {kRoaming + "Windows\\Start Menu\\Programs\\Startup\\Tool.lnk", UsualPlace::Startup},
        {kRoaming + "Internet Explorer\\Quick Launch\\Tool.lnk", UsualPlace::QuickLaunch},
        {kRoaming + "Internet Explorer\\Quick Launch\\User Pinned\\TaskBar\\Tool.lnk", UsualPlace::TaskbarPins},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp\\Tool.lnk", UsualPlace::CommonStartup},
        {kRoaming + "Windows\\Recent\\Letter.docx.lnk", UsualPlace::Recent},
    };
    for (const auto& c : cases) EXPECT_EQ(PlaceHolding(places, c.path), c.holder) << c.path;
}

TEST(UsualPlaces, AnotherUsersFolderOfAPlace) {
    const std::vector<UsualPlaceFolder> places = Resolve(WindowsLayout());
    EXPECT_EQ(PlaceInProfile(places[0], "D:\\Profiles\\Bob\\"), "D:\\Profiles\\Bob\\Desktop");
    EXPECT_EQ(PlaceInProfile(places[10], "C:\\Users\\Bob"), "C:\\Users\\Bob\\AppData\\Roaming\\Microsoft\\Windows\\Recent");
    EXPECT_EQ(PlaceInProfile(places[1], "C:\\Users\\Bob"), "");  // the public desktop is everybody's
}

}  // namespace
}  // namespace qm
