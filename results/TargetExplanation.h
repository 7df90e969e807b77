// What the results page says about where a broken shortcut's target went: the reason in plain
// words, the suggestion column's text and the line under the list. Window-free, so the rules are
// unit-tested natively; the display texts come from the caller (language keys).
#pragma once

#include "base/UsualPlaceTable.h"
#include "wizard/ResultStore.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace qm::results {

// A display text by its language key.
using TextOfKey = std::function<std::string(std::string_view key)>;

// `pattern` with each "{name}" of `values` replaced by its value, in one pass: a value that
// itself holds a placeholder (braces are allowed in file names) stays as it is. Unknown
// placeholders stay too.
std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::pair<std::string_view, std::string_view>> values);

// Why the record's shortcut is broken, e.g. "The file app.exe is no longer in C:\Tools\App 1.2";
// from the missing target alone when the search for moved targets said nothing. "" when the
// record holds neither. A re-targeted record says which target it opens now.
std::string ExplainGoneTarget(const wizard::BrokenShortcut& record, const TextOfKey& text);

// The suggestion column: the suggested target, marked when it is only a possibility; "" without.
std::string SuggestionCell(const wizard::BrokenShortcut& record, const TextOfKey& text);

// The line under the list (and the row's info tip): the reason and, where one was found, the
// suggestion in a sentence; for a shortcut in Recent items (`place`) also what such a shortcut
// is, since a broken one there is no loss.
std::string ExplanationLine(const wizard::BrokenShortcut& record, const TextOfKey& text,
                            std::optional<UsualPlace> place = std::nullopt);

// Whether the one-click repair may use the record's suggestion without asking.
inline bool HasCertainSuggestion(const wizard::BrokenShortcut& record) {
    return !record.suggestion.empty() && record.confidence == wizard::Confidence::Certain;
}

}  // namespace qm::results
