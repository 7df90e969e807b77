// The settings and language files the program ships must read cleanly with the parsers the
// components use: a format slip in either shows here, not as a blank window at start-up.
#include "suite/text/IniDocument.h"
#include "suite/text/LanguageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace qm::suite {
namespace {

bool ReadFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    content = text.str();
    return true;
}

TEST(ShippedFiles, SettingsFileParsesAndNamesWhatStartUpReads) {
    std::string content;
    if (!ReadFile(QM_SOURCE_DIR "/res/data/config.ini", content)) GTEST_SKIP() << "no shipped config.ini";
    IniDocument::ParseError error;
    auto settings = IniDocument::Parse(content, error);
    ASSERT_TRUE(settings) << "line " << error.line << ": " << error.message;
    for (auto [section, key] : {std::pair{"common", "langfile"}, {"common", "xmlfile"}, {"Vaultdesk", "vd_backup_dir"},
                                {"quillmend_module", "xmlfile"}}) {
        EXPECT_TRUE(settings->Get(section, key).has_value()) << section << "/" << key;
    }
    EXPECT_EQ(settings->Serialize(), content) << "an untouched file rewrites to the same bytes";
}

TEST(ShippedFiles, LanguageFileParsesWithTheStartUpKeys) {
    std::string content;
    if (!ReadFile(QM_SOURCE_DIR "/res/lang/English.lng", content)) GTEST_SKIP() << "no shipped English.lng";
    LanguageParseError error;
    auto table = ParseLanguageFile(content, error);
    ASSERT_TRUE(table && error.message.empty()) << "line " << error.line << ": " << error.message;
    for (const char* key : {"_Information", "_Error", "_SHELL_ERROR", "_SHELL_REQUEST_XMLLIB", "_QM_Mainname"}) {
        EXPECT_EQ(table->count(key), 1u) << key;
    }
}

// What a text must keep in every language: its placeholders (%d, %s, {name}...) and whether it
// has a mnemonic ('&').
std::multiset<std::string> Fixed(const std::string& text) {
    static const std::regex fixed(R"(%[ds]|\{[a-z]+\}|&)");
    std::multiset<std::string> found;
    for (std::sregex_iterator match(text.begin(), text.end(), fixed), end; match != end; ++match) found.insert(match->str());
    return found;
}

// Every language file shipped beside the English one has every key the English file has, with
// the same placeholders and mnemonic: a key added to English.lng and not translated shows here.
TEST(ShippedFiles, EveryLanguageFileHasEveryEnglishKey) {
    const std::filesystem::path folder = QM_SOURCE_DIR "/res/lang";
    std::string content;
    ASSERT_TRUE(ReadFile((folder / "English.lng").string(), content));
    LanguageParseError error;
    const auto english = ParseLanguageFile(content, error);
    ASSERT_TRUE(english) << "English.lng line " << error.line << ": " << error.message;
    int languages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".lng" || entry.path().filename() == "English.lng") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++languages;
        ASSERT_TRUE(ReadFile(entry.path().string(), content));
        const auto texts = ParseLanguageFile(content, error);
        ASSERT_TRUE(texts) << "line " << error.line << ": " << error.message;
        for (const auto& [key, text] : *english) {
            const auto found = texts->find(key);
            if (found == texts->end()) {
                ADD_FAILURE() << "no text for " << key;
                continue;
            }
            EXPECT_FALSE(found->second.empty()) << key;
            EXPECT_EQ(Fixed(found->second), Fixed(text)) << key << ": " << found->second;
        }
    }
    EXPECT_GE(languages, 1) << "no language file beside English.lng";
}

}  // namespace
}  // namespace qm::suite
