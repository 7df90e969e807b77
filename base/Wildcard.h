// Wildcard masks: `*` matches any run of the text (also none), `?` one unit of it, any other
// byte itself. The callers differ in what `?` stands for and in case, so each names its rule.
#pragma once

#include <string_view>

namespace qm {

enum class WildcardRule {
    // `?` is one byte and bytes compare exactly: the folder tree's masks, whose caller lowers
    // both sides with the system's Unicode case rules first.
    OneByteExact,
    // `?` is one character (one UTF-8 sequence, a cut one included) and ASCII letters match
    // without regard to case: the search's file and folder masks.
    OneCharacterAsciiCaseless,
};

// Greedy matching with one backtrack point (the last star): linear in the usual cases and
// never exponential.
bool MatchWildcard(std::string_view mask, std::string_view text, WildcardRule rule) noexcept;

// True when the mask is made of stars only (and is not empty): it matches every text, so a
// caller can skip preparing the text.
bool MatchesEverything(std::string_view mask) noexcept;

}  // namespace qm
