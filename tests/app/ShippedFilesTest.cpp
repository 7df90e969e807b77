// The shipped English language file against the keys the program shows: every key has a
// display text, and every caption key in the dialog templates is among them. Read straight
// from the source tree (the native build).
#include "base/UsualPlaceTable.h"
#include "suite/text/LanguageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = QM_SOURCE_DIR;

// Read with the language component's own parser: a line it refuses fails here, not at start-up.
qm::suite::LanguageTable ReadLanguageFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    qm::suite::LanguageParseError error;
    std::optional<qm::suite::LanguageTable> table = qm::suite::ParseLanguageFile(text.str(), error);
    EXPECT_TRUE(table && error.message.empty()) << path << " line " << error.line << ": " << error.message;
    return table ? std::move(*table) : qm::suite::LanguageTable{};
}

std::set<std::string> KeysUsed() {
    std::set<std::string> keys = {
        "_QM_Mainname", "_Information", "_Error", "_SHELL_ERROR", "_SHELL_REQUEST_XMLLIB", "_Continue", "_Help",
        "_AlwaysShow", "_About", "_copyrightWarningInfo", "_Support", "_Support_Info", "_Support_EmailBody",
        "SUPPORTDLG_Email", "_HELPMENU_Help", "_HELPMENU_OnlineHelp", "_HELPMENU_BrivoltWeb", "_HELPMENU_Support",
        "_HELPMENU_OnlineSupport", "_HELPMENU_CHECKFORUPDATE", "_HELPMENU_Show", "_HELPMENU_About",
        "_QM_037", "_QM_038", "_QM_039", "_QM_040", "_QM_HostFailure", "_QM_RootFailed", "_QM_NotAnswering",
        "_QM_SugPhase", "_QM_SugStopped", "_QM_SugFailed", "_QM_SugColumn", "_QM_SugPossibleCell",
        "_QM_SugFileNotInFolder", "_QM_SugFolderNotInFolder", "_QM_SugFolderGone", "_QM_SugFileMissingOnShare",
        "_QM_SugFolderMissingOnShare", "_QM_SugTargetGone", "_QM_SugFoundCertain", "_QM_SugFoundPossible",
        "_QM_RepairMenu", "_QM_RepairAskPossible", "_QM_RepairNothingCertain", "_QM_RepairFailed",
        "_QM_LocationColumn", "_QM_RecentExplained",
        "_QM_ComFailed", "_QM_NoReason", "_QM_SettingsFailed", "_QM_SettingsReinstall", "_QM_SettingsFixLine",
        "_QM_SettingsCheckAccess", "_QM_LanguageUnusable", "_QM_LanguageIncomplete", "_QM_StateReplaced",
        "_QM_StateCreated", "_QM_StateUnusable", "_QM_SavedDropped",
        "_QM_IgnoreShortcut", "_QM_IgnoreFolder", "_QM_IgnoreShow",
        "_QM_IgnoredLeftOut", "_QM_IgnorePath", "_QM_IgnoreKind", "_QM_IgnoreKindShortcut", "_QM_IgnoreKindFolder",
        "_QM_IgnoreSaveFailed",
    };
    for (int i = 1; i <= 34; ++i) {
        char key[16];
        std::snprintf(key, sizeof(key), "_QM_%03d", i);
        keys.insert(key);
    }
    for (const char* key : {"_QM_UsualPlaces", "_QM_CmdNoFolder", "_QM_CmdUnknown", "_QM_CmdUsage"}) keys.insert(key);
    for (const qm::UsualPlaceTraits& place : qm::UsualPlaceTable()) keys.insert(std::string(place.languageKey));
    return keys;
}

TEST(ShippedLanguageFile, HasANonEmptyTextForEveryKeyTheProgramShows) {
    const auto texts = ReadLanguageFile(kSource / "res" / "lang" / "English.lng");
    ASSERT_FALSE(texts.empty());
    for (const std::string& key : KeysUsed()) {
        const auto found = texts.find(key);
        ASSERT_NE(found, texts.end()) << key;
        EXPECT_FALSE(found->second.empty()) << key;
        EXPECT_NE(found->second, key) << key;
    }
}

TEST(ShippedLanguageFile, CoversEveryCaptionKeyOfTheDialogTemplates) {
    const auto texts = ReadLanguageFile(kSource / "res" / "lang" / "English.lng");
    // A caption key: a quoted word starting with an underscore, or the support dialog's prefix.
    const std::regex captionKey("\"((_[A-Za-z0-9_]+)|(SUPPORTDLG_[A-Za-z0-9_]+))\"");
    int dialogs = 0;
    for (const auto& entry : fs::directory_iterator(kSource / "res" / "dialogs")) {
        if (entry.path().extension() != ".rc") continue;
        ++dialogs;
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        const std::string script = text.str();
        for (std::sregex_iterator match(script.begin(), script.end(), captionKey), end; match != end; ++match) {
            EXPECT_TRUE(texts.count((*match)[1].str())) << entry.path().filename() << ": " << (*match)[1].str();
        }
    }
    EXPECT_GE(dialogs, 4);
}

}  // namespace
