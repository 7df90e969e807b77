#include "base/Wildcard.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct Case {
    const char* mask;
    const char* text;
    bool matches;
};

// What the two rules share: stars, literal bytes, backtracking.
TEST(Wildcard, StarsAndLiteralsMatchAlikeUnderBothRules) {
    const Case cases[] = {
        {"*", "anything", true}, {"*", "", true}, {"**", "x", true},
        {"a*.tmp", "abc.tmp", true}, {"a*.tmp", "abc.tmpx", false}, {"a*.tmp", "a.tmp", true},
        {"a*.tmp", "a.tmp.tmp", true}, {"a*.tmp", "ba.tmp", false},
        {"?", "a", true}, {"?", "", false}, {"?", "ab", false},
        {"", "", true}, {"", "a", false}, {"abc", "abc", true}, {"abc", "abd", false}, {"abc", "ab", false},
        {"ab", "abc", false},
        {"*a*b*c", "xaybzc", true}, {"*a*b*c", "xaybz", false}, {"*ab", "aab", true},
        {"a*b*", "ab", true}, {"a?c*", "abcdef", true}, {"*?", "", false}, {"*.*", "name", false},
        {"*.*", "name.ext", true}, {"*x", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxy", false},
        {"*a*a*a*a*a*a*a*a*a*c", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", false},  // no blow-up
        {"\xC3\xA9.lnk", "\xC3\x89.lnk", false},  // only ASCII letters ever fold
    };
    for (WildcardRule rule : {WildcardRule::OneByteExact, WildcardRule::OneCharacterAsciiCaseless}) {
        for (const Case& c : cases) {
            EXPECT_EQ(MatchWildcard(c.mask, c.text, rule), c.matches)
                << c.mask << " / " << c.text << " (rule " << static_cast<int>(rule) << ")";
        }
    }
}

// The folder tree's rule: its caller lowers both sides itself, and `?` is one byte.
TEST(Wildcard, OneByteExactTakesQuestionMarksAsBytesAndKeepsCase) {
    const Case cases[] = {
        {"?", "\xC3\xA9", false},  // a two-byte character needs two
        {"??", "\xC3\xA9", true},
        {"Bin", "bin", false},
        {"*.LNK", "a.lnk", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchWildcard(c.mask, c.text, WildcardRule::OneByteExact), c.matches) << c.mask << " / " << c.text;
}

// The search's rule: `?` is one whole character, ASCII letters match in any case.
TEST(Wildcard, OneCharacterAsciiCaselessTakesQuestionMarksAsCharacters) {
    const Case cases[] = {
        {"?", "\xC3\xA9", true},
        {"??", "\xC3\xA9", false},
        {"?.lnk", "\xF0\x9F\x98\x81.lnk", true},  // four bytes, one character
        {"?", "\xC3", true},  // a cut sequence is still one character, never a read past the end
        {"Bin", "bin", true},
        {"*.LNK", "a.lnk", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchWildcard(c.mask, c.text, WildcardRule::OneCharacterAsciiCaseless), c.matches) << c.mask << " / " << c.text;
    }
}

TEST(Wildcard, MatchesEverythingOnlyForStars) {
    EXPECT_TRUE(MatchesEverything("*"));
    EXPECT_TRUE(MatchesEverything("***"));
    EXPECT_FALSE(MatchesEverything(""));
    EXPECT_FALSE(MatchesEverything("*?"));
    EXPECT_FALSE(MatchesEverything("*.*"));
}

}  // namespace
}  // namespace qm
