// Wildcard matching for folder masks: `*` matches any run of bytes (also none), `?` exactly one
// byte. Byte-wise and case-sensitive; callers lower both sides when they want case to be ignored.
#pragma once

#include <string_view>

namespace qm::folders {

bool MatchWildcard(std::string_view mask, std::string_view text);

// True when the mask is made of stars only (and is not empty): it matches every text, so a
// caller can skip preparing the text.
bool MatchesEverything(std::string_view mask);

}  // namespace qm::folders
