#include "suite/text/LanguageFile.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::suite {
namespace {

TEST(LanguageFile, ParsesKeysTextsAndEscapes) {
    LanguageParseError error;
    const auto table = ParseLanguageFile(
        "\xEF\xBB\xBF; comment\r\n"
        "# another comment\r\n"
        "[QuillMend]\r\n"
        "\r\n"
        "   _QM_001  =  Find broken shortcuts \r\n"
        "_Information=Information\r\n"
        "_Multi=Line one\\nLine two\\tTabbed \\\\ back\r\n"
        "_Path=C:\\Users\\x\r\n"
        "_Equals=a=b\r\n"
        "_Empty=\r\n"
        "_Dup=old\n"
        "_Dup=new\n"
        "_qm_001=lower case is another key\n"
        "_Unicode=\xC3\x9C\x62\x65rsicht \xE2\x9C\x93\n"
        "_Last=no newline at the end",
        error);
    ASSERT_TRUE(table) << error.line << ": " << error.message;
    struct Case {
        const char* key;
        const char* text;
    } cases[] = {
        {"_QM_001", "  Find broken shortcuts "},  // text kept as written, CR dropped
        {"_Information", "Information"},
        {"_Multi", "Line one\nLine two\tTabbed \\ back"},
        {"_Path", "C:\\Users\\x"},                 // other backslashes stay
        {"_Equals", "a=b"},
        {"_Empty", ""},
        {"_Dup", "new"},
        {"_qm_001", "lower case is another key"},
        {"_Unicode", "\xC3\x9C\x62\x65rsicht \xE2\x9C\x93"},
        {"_Last", "no newline at the end"},
    };
    for (const Case& c : cases) {
        auto found = table->find(c.key);
        ASSERT_NE(found, table->end()) << c.key;
        EXPECT_EQ(found->second, c.text) << c.key;
    }
    EXPECT_EQ(table->count("[QuillMend]"), 0u);
    EXPECT_EQ(table->size(), std::size(cases));
}

TEST(LanguageFile, UnescapesOnlyTheThreeEscapes) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"\\n", "\n"}, {"\\t", "\t"}, {"\\\\", "\\"}, {"\\\\n", "\\n"}, {"\\x", "\\x"}, {"end\\", "end\\"}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(UnescapeLanguageText(c.in), c.out) << c.in;
}

TEST(LanguageFile, AMalformedLineCostsOnlyItselfAndTheFirstIsReportedByNumber) {
    struct Case {
        std::string text;
        size_t line;
        size_t textsKept;
    } cases[] = {
        {"_A=1\n_B=2\nno equals sign here\n_C=3\n", 3, 3},
        {"; c\r\n\r\n=no key\r\n_A=1\r\nbroken\r\n", 3, 1},
        {"   =\n", 1, 0},
        {"_A=1\n_QM_0", 2, 1},  // cut off in the middle of a key
    };
    for (const Case& c : cases) {
        LanguageParseError error;
        const auto table = ParseLanguageFile(c.text, error);
        ASSERT_TRUE(table) << c.text;
        EXPECT_EQ(table->size(), c.textsKept) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
    LanguageParseError error;
    EXPECT_FALSE(ParseLanguageFile(std::string("_A=\0", 4), error)) << "a binary file is no language file";
    EXPECT_EQ(error.line, 0u);
    EXPECT_FALSE(error.message.empty());
}

TEST(LanguageFile, EmptyFileIsAnEmptyTable) {
    LanguageParseError error;
    for (const char* text : {"", "\xEF\xBB\xBF", "\n\n; only comments\n"}) {
        auto table = ParseLanguageFile(text, error);
        ASSERT_TRUE(table);
        EXPECT_TRUE(table->empty());
        EXPECT_TRUE(error.message.empty());
    }
}

}  // namespace
}  // namespace qm::suite
