#include "base/Wildcard.h"

#include "base/Text.h"

#include <algorithm>

namespace qm {
namespace {

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) noexcept {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

bool MatchWildcard(std::string_view mask, std::string_view text, WildcardRule rule) noexcept {
    const bool caseless = rule == WildcardRule::OneCharacterAsciiCaseless;
    const bool wholeCharacters = rule == WildcardRule::OneCharacterAsciiCaseless;
    size_t t = 0, m = 0;
    size_t starMask = std::string_view::npos, starText = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starText = t;
        } else if (m < mask.size() && mask[m] == '?') {
            t = wholeCharacters ? std::min(text.size(), t + SequenceLength(static_cast<unsigned char>(text[t]))) : t + 1;
            ++m;
        } else if (m < mask.size() &&
                   (caseless ? AsciiLower(mask[m]) == AsciiLower(text[t]) : mask[m] == text[t])) {
            ++t;
            ++m;
        } else if (starMask != std::string_view::npos) {
            m = starMask;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

bool MatchesEverything(std::string_view mask) noexcept {
    return !mask.empty() && mask.find_first_not_of('*') == std::string_view::npos;
}

}  // namespace qm
