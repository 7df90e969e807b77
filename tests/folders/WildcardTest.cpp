#include "folders/Wildcard.h"

#include <gtest/gtest.h>

namespace {

TEST(Wildcard, Matches) {
    struct Case { const char* mask; const char* text; bool matches; };
    const Case cases[] = {
        {"*", "anything", true}, {"*", "", true}, {"**", "x", true},
        {"a*.tmp", "abc.tmp", true}, {"a*.tmp", "abc.tmpx", false}, {"a*.tmp", "a.tmp", true},
        {"a*.tmp", "a.tmp.tmp", true}, {"a*.tmp", "ba.tmp", false},
        {"?", "a", true}, {"?", "", false}, {"?", "ab", false},
        {"?", "\xC3\xA9", false},  // `?` is one byte: a two-byte character needs two
        {"??", "\xC3\xA9", true},
        {"", "", true}, {"", "a", false}, {"abc", "abc", true}, {"abc", "abd", false}, {"abc", "ab", false},
        {"ab", "abc", false}, {"Bin", "bin", false},  // case-sensitive: callers lower both sides
        {"*a*b*c", "xaybzc", true}, {"*a*b*c", "xaybz", false}, {"*ab", "aab", true},
        {"a*b*", "ab", true}, {"a?c*", "abcdef", true}, {"*?", "", false}, {"*.*", "name", false},
        {"*.*", "name.ext", true}, {"*x", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxy", false},
    };
    for (const Case& c : cases) EXPECT_EQ(qm::folders::MatchWildcard(c.mask, c.text), c.matches) << c.mask << " / " << c.text;
}

TEST(Wildcard, MatchesEverythingOnlyForStars) {
    EXPECT_TRUE(qm::folders::MatchesEverything("*"));
    EXPECT_TRUE(qm::folders::MatchesEverything("***"));
    EXPECT_FALSE(qm::folders::MatchesEverything(""));
    EXPECT_FALSE(qm::folders::MatchesEverything("*?"));
    EXPECT_FALSE(qm::folders::MatchesEverything("*.*"));
}

}  // namespace
