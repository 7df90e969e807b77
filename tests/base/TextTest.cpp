#include "base/Text.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(Text, TrimRemovesBlanksAtBothEndsButNotLineFeeds) {
    EXPECT_EQ(Trim("  \t key \r"), "key");
    EXPECT_EQ(Trim("\f\va b\v"), "a b");
    EXPECT_EQ(Trim(" \t\r "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\nkey\n"), "\nkey\n");
    EXPECT_EQ(Trim(" \xC2\xA0x\xC2\xA0 "), "\xC2\xA0x\xC2\xA0");  // no-break spaces are text
}

TEST(Text, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(AsciiLower("Program Files\\QUILL.lnk"), "program files\\quill.lnk");
    EXPECT_EQ(AsciiLower("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89");  // É stays, keeps its length
    EXPECT_EQ(AsciiLower('@'), '@');
    EXPECT_EQ(AsciiLower('['), '[');
    EXPECT_EQ(AsciiUpper('c'), 'C');
    EXPECT_EQ(AsciiUpper('{'), '{');
    EXPECT_EQ(AsciiUpper('`'), '`');
    EXPECT_TRUE(IsAsciiLetter('z'));
    EXPECT_FALSE(IsAsciiLetter('@'));
    EXPECT_FALSE(IsAsciiLetter('\xC3'));
}

TEST(Text, EqualsIgnoringAsciiCase) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("QuillMend_Module", "quillmend_module"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\xA9", "\xC3\x89"));  // é and É differ: only ASCII folds
    EXPECT_FALSE(EqualsIgnoringAsciiCase("a@", "a`"));
}

}  // namespace
}  // namespace qm
