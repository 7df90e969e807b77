// The settings and language files the program ships must read cleanly with the parsers the
// components use: a format slip in either shows here, not as a blank window at start-up.
#include "suite/text/IniDocument.h"
#include "suite/text/LanguageFile.h"

#include <gtest/gtest.h>

#include <fstream>
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
    ASSERT_TRUE(table) << "line " << error.line << ": " << error.message;
    for (const char* key : {"_Information", "_Error", "_SHELL_ERROR", "_SHELL_REQUEST_XMLLIB", "_QM_Mainname"}) {
        EXPECT_EQ(table->count(key), 1u) << key;
    }
}

}  // namespace
}  // namespace qm::suite
