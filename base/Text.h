// Text rules every part shares: trimming and ASCII case folding. Window-free; bytes outside
// ASCII are kept as they are, so UTF-8 text keeps its length and its positions.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Spaces, tabs, carriage returns, form feeds and vertical tabs; not line feeds, which end the
// lines these texts come from.
constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// `text` without blanks at either end.
std::string_view Trim(std::string_view text) noexcept;

constexpr bool IsAsciiLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// `text` with its ASCII letters lowered.
std::string AsciiLower(std::string_view text);

// Equal when ASCII letters are compared without regard to case (other bytes exactly).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

// `text` with every `placeholder` (a display text's "{file}") replaced by `value`.
std::string FillIn(std::string text, std::string_view placeholder, std::string_view value);

}  // namespace qm
