// Every page, dialog and menu can be worked from the keyboard: Tab goes through them in the order
// they are laid out, and in each shipped language no two of their controls (or items) share a
// mnemonic, and every button and check box of a dialog has one (OK and Cancel have Enter and
// Escape). Read from the dialog templates and the menus' tables, with the texts of each language
// file; the pages share the wizard's own buttons' letters.
#include "help/HelpMenuItems.h"
#include "results/ContextMenuItems.h"
#include "suite/text/LanguageFile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace qm::suite {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The letter after the first single '&' ("&&" is a literal ampersand), upper case, as UTF-8;
// empty when the text has none.
std::string MnemonicOf(const std::string& text) {
    for (size_t at = 0; at + 1 < text.size(); ++at) {
        if (text[at] != '&') continue;
        if (text[at + 1] == '&') {
            ++at;
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[at + 1]);
        if (lead < 0x80) return std::string(1, static_cast<char>(std::toupper(lead)));
        // Two-byte Latin letters (ä, ö, ü...): their capitals lie 0x20 below, as in Latin-1.
        if ((lead == 0xC3) && at + 2 < text.size()) {
            auto trail = static_cast<unsigned char>(text[at + 2]);
            if (trail >= 0xA0 && trail != 0xB7 && trail != 0xBF) trail -= 0x20;
            return std::string{static_cast<char>(lead), static_cast<char>(trail)};
        }
        return text.substr(at + 1, lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2);
    }
    return {};
}

// A control of a dialog template with a language key for its caption.
struct TemplateControl {
    std::string statement;  // LTEXT, PUSHBUTTON, CONTROL...
    std::string key;
    std::string id;
    std::string rest;  // styles, class and place, as written
};

struct DialogTemplate {
    std::string name;
    bool page = false;  // a wizard page (a child window), which the wizard's buttons surround
    std::vector<TemplateControl> controls;
};

// The templates of res/dialogs/*.rc. A statement starts with its keyword; the lines after it
// that start with none continue it.
std::vector<DialogTemplate> ReadTemplates() {
    static const std::regex head(R"(^(\w+)\s+DIALOGEX\b)");
    static const std::regex statement(R"(^\s*(LTEXT|RTEXT|CTEXT|PUSHBUTTON|DEFPUSHBUTTON|AUTOCHECKBOX|CHECKBOX|AUTORADIOBUTTON|GROUPBOX|CONTROL|ICON|EDITTEXT)\s+(.*)$)");
    static const std::regex captioned(R"re(^"([^"]*)"\s*,\s*(\w+)\s*(.*)$)re");
    std::vector<DialogTemplate> templates;
    for (const auto& entry : fs::directory_iterator(QM_SOURCE_DIR "/res/dialogs")) {
        if (entry.path().extension() != ".rc") continue;
        std::istringstream lines(ReadAll(entry.path()));
        DialogTemplate* current = nullptr;
        bool inBody = false;
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::smatch match;
            if (std::regex_search(line, match, head)) {
                templates.push_back({match[1].str(), false, {}});
                current = &templates.back();
                inBody = false;
            } else if (!current) {
                continue;
            } else if (!inBody) {
                if (line.rfind("STYLE", 0) == 0) current->page = line.find("WS_CHILD") != std::string::npos;
                if (line == "BEGIN") inBody = true;
            } else if (line == "END") {
                current = nullptr;
            } else if (std::regex_match(line, match, statement)) {
                TemplateControl control{match[1].str(), {}, {}, match[2].str()};
                std::smatch parts;
                const std::string arguments = match[2].str();
                if (control.statement != "ICON" && std::regex_match(arguments, parts, captioned)) {
                    control.key = parts[1].str();
                    control.id = parts[2].str();
                    control.rest = parts[3].str();
                }
                current->controls.push_back(control);
            } else if (!current->controls.empty()) {
                current->controls.back().rest += " " + line;
            }
        }
    }
    return templates;
}

bool TakesMnemonic(const TemplateControl& control) {
    if (control.key.empty()) return false;  // its text is set while it runs: a link or a line
    if (control.rest.find("SS_NOPREFIX") != std::string::npos) return false;
    return control.statement != "ICON";
}

bool NeedsMnemonic(const TemplateControl& control) {
    if (control.key.empty() || control.id == "IDOK" || control.id == "IDCANCEL") return false;
    return control.statement == "PUSHBUTTON" || control.statement == "DEFPUSHBUTTON" ||
           control.statement == "AUTOCHECKBOX" || control.statement == "CHECKBOX";
}

// The letters of the wizard's Back, Next, Finish and Help buttons, which the system draws in
// its own language around every page: "< &Back", "&Next >", "&Finish", "&Help" in English,
// "< &Zurück", "&Weiter >" in German.
const std::map<std::string, std::vector<std::string>> kWizardLetters = {
    {"English.lng", {"B", "N", "F", "H"}},
    {"German.lng", {"Z", "W"}},
};

struct NamedMenu {
    const char* name;
    std::vector<MenuItemKey> items;
};

std::vector<NamedMenu> Menus() {
    std::vector<MenuItemKey> context(std::begin(results::kRowMenuItems), std::end(results::kRowMenuItems));
    context.insert(context.end(), std::begin(results::kListMenuItems), std::end(results::kListMenuItems));
    return {{"results context menu", context},
            {"help menu", {std::begin(help::kFullHelpMenu), std::end(help::kFullHelpMenu)}},
            {"welcome help menu", {std::begin(help::kWelcomeHelpMenu), std::end(help::kWelcomeHelpMenu)}}};
}

TEST(Mnemonics, NoPageDialogOrMenuHasTwoOfOneLetterInAnyShippedLanguage) {
    const std::vector<DialogTemplate> templates = ReadTemplates();
    ASSERT_GE(templates.size(), 9u) << "the dialog templates were not read";
    int languages = 0, checked = 0;
    for (const auto& entry : fs::directory_iterator(QM_SOURCE_DIR "/res/lang")) {
        if (entry.path().extension() != ".lng") continue;
        const std::string language = entry.path().filename().string();
        SCOPED_TRACE(language);
        LanguageParseError error;
        const auto texts = ParseLanguageFile(ReadAll(entry.path()), error);
        ASSERT_TRUE(texts) << "line " << error.line << ": " << error.message;
        ASSERT_EQ(kWizardLetters.count(language), 1u) << "the wizard buttons' letters of this language are not known";
        ++languages;
        const auto textOf = [&](std::string_view key) {
            const auto found = texts->find(std::string(key));
            return found == texts->end() ? std::string() : found->second;
        };

        for (const DialogTemplate& dialog : templates) {
            std::map<std::string, std::string> taken;  // letter to whose
            if (dialog.page) {
                for (const std::string& letter : kWizardLetters.at(language)) taken[letter] = "the wizard's button";
            }
            for (const TemplateControl& control : dialog.controls) {
                const std::string text = textOf(control.key);
                const std::string letter = TakesMnemonic(control) ? MnemonicOf(text) : std::string();
                if (NeedsMnemonic(control)) {
                    EXPECT_FALSE(letter.empty()) << dialog.name << ": " << control.key << " (" << text << ") has no mnemonic";
                }
                if (letter.empty()) continue;
                ++checked;
                const auto [at, fresh] = taken.emplace(letter, control.key);
                EXPECT_TRUE(fresh) << dialog.name << ": " << control.key << " (" << text << ") and " << at->second
                                   << " both take " << letter;
            }
        }
        for (const NamedMenu& menu : Menus()) {
            std::map<std::string, std::string> taken;
            for (const MenuItemKey& item : menu.items) {
                if (item.command == 0) continue;
                const std::string text = textOf(item.textKey);
                const std::string letter = MnemonicOf(text);  // the arrow keys reach an item without one
                if (letter.empty()) continue;
                ++checked;
                const auto [at, fresh] = taken.emplace(letter, std::string(item.textKey));
                EXPECT_TRUE(fresh) << menu.name << ": " << item.textKey << " (" << text << ") and " << at->second
                                   << " both take " << letter;
            }
        }
    }
    EXPECT_GE(languages, 2);
    std::printf("%d mnemonics checked in %d languages\n", checked, languages);
}

// Where a control of a template lies (dialog units), and whether Tab stops at it.
struct Place {
    int x = 0, y = 0, width = 0, height = 0;
};

bool PlaceOf(const TemplateControl& control, Place& place) {
    static const std::regex numbers(R"((-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+))");
    std::smatch match;
    if (!std::regex_search(control.rest, match, numbers)) return false;
    place = {std::stoi(match[1].str()), std::stoi(match[2].str()), std::stoi(match[3].str()), std::stoi(match[4].str())};
    return true;
}

bool IsTabStop(const TemplateControl& control) {
    if (control.rest.find("NOT WS_TABSTOP") != std::string::npos) return false;
    const bool button = control.statement == "PUSHBUTTON" || control.statement == "DEFPUSHBUTTON" ||
                        control.statement == "AUTOCHECKBOX" || control.statement == "CHECKBOX";
    return button || control.rest.find("WS_TABSTOP") != std::string::npos;
}

// Tab goes through each page and dialog as it is read: row by row from the top, and from left to
// right in a row (controls whose heights overlap share a row). The templates' order is the tab
// order, so no tab stop may lie wholly above, or in its row wholly left of, the one before it.
TEST(TabOrder, FollowsTheLayoutOfEveryPageAndDialog) {
    int stops = 0;
    for (const DialogTemplate& dialog : ReadTemplates()) {
        const TemplateControl* previous = nullptr;
        Place before;
        for (const TemplateControl& control : dialog.controls) {
            Place place;
            if (!IsTabStop(control)) continue;
            ASSERT_TRUE(PlaceOf(control, place)) << dialog.name << ": " << control.id;
            ++stops;
            if (previous) {
                const bool above = place.y + place.height <= before.y;
                const bool sameRow = place.y < before.y + before.height && before.y < place.y + place.height;
                const bool leftOf = sameRow && place.x + place.width <= before.x;
                EXPECT_FALSE(above || leftOf) << dialog.name << ": Tab goes from " << previous->id << " to " << control.id
                                              << ", which lies " << (above ? "above" : "left of") << " it";
            }
            previous = &control;
            before = place;
        }
    }
    EXPECT_GE(stops, 15);
}

}  // namespace
}  // namespace qm::suite
