#include "folders/Wildcard.h"

namespace qm::folders {

bool MatchWildcard(std::string_view mask, std::string_view text) {
    size_t m = 0;
    size_t t = 0;
    // The literal head before the first star must match position by position.
    while (t < text.size() && (m == mask.size() || mask[m] != '*')) {
        if (m == mask.size() || (mask[m] != text[t] && mask[m] != '?')) return false;
        ++m;
        ++t;
    }
    // After a star: try to match the rest at each later text position, backtracking to the
    // last star only (enough for `*` and `?`, and linear in the usual cases).
    size_t starMask = 0;
    size_t starText = 0;
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == '*') {
            if (++m == mask.size()) return true;
            starMask = m;
            starText = t + 1;
        } else if (m < mask.size() && (mask[m] == text[t] || mask[m] == '?')) {
            ++m;
            ++t;
        } else {
            m = starMask;
            t = starText++;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

bool MatchesEverything(std::string_view mask) {
    return !mask.empty() && mask.find_first_not_of('*') == std::string_view::npos;
}

}  // namespace qm::folders
