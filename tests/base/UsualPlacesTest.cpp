// The usual places as the shell of this (Wine) system finds them: each known folder asked for
// the right place, with a name and an icon.
#include "base/win/UsualPlaces.h"

#include "base/PathSplit.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(UsualPlacesOfThisUser, EachKnownFolderNamesItsPlaceWithTheShellsNameAndIcon) {
    const std::vector<UsualPlaceFolder> places = FindUsualPlaces();
    // Every Windows and every Wine prefix has these.
    for (UsualPlace expected : {UsualPlace::Desktop, UsualPlace::StartMenu, UsualPlace::CommonStartMenu,
                                UsualPlace::SendTo, UsualPlace::Startup, UsualPlace::Recent}) {
        EXPECT_TRUE(std::any_of(places.begin(), places.end(), [&](const auto& p) { return p.place == expected; }))
            << TraitsOf(expected).languageKey;
    }
    const std::string profile = KnownFolderPath(KnownFolder::Profile);
    ASSERT_FALSE(profile.empty());
    for (const UsualPlaceFolder& place : places) {
        const UsualPlaceTraits& traits = TraitsOf(place.place);
        SCOPED_TRACE(place.path);
        // The folder's own name is the one of the Windows layout ("Start Menu", "TaskBar").
        const std::string_view layout = traits.machineWide ? "" : traits.inProfile;
        if (!layout.empty()) {
            EXPECT_TRUE(EqualsIgnoringAsciiCase(PathFileName(place.path), PathFileName(std::string(layout))));
            EXPECT_EQ(PlaceInProfile(place, profile), place.path);
        }
        EXPECT_FALSE(place.displayName.empty());
        IconHandle icon = ShellIcon(place.path, 18);
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.Get(), &info));
        BITMAP mask{};
        ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        EXPECT_EQ(mask.bmWidth, 18);
    }
}

}  // namespace
}  // namespace qm
