#include "suite/text/LanguageFile.h"

#include "base/Text.h"

namespace qm::suite {

std::string UnescapeLanguageText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::optional<LanguageTable> ParseLanguageFile(std::string_view text, LanguageParseError& error) {
    error = {};
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    if (text.find('\0') != std::string_view::npos) {
        error = {0, "the file holds binary data (a NUL byte), not UTF-8 text"};
        return std::nullopt;
    }

    LanguageTable table;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' || trimmed.front() == '[') continue;
        const size_t eq = line.find('=');
        const std::string_view key = Trim(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty()) {
            if (error.message.empty()) {
                error = {lineNumber, eq == std::string_view::npos ? "the line has no '=' between key and text"
                                                                  : "the line has no key before '='"};
            }
            continue;
        }
        table.insert_or_assign(std::string(key), UnescapeLanguageText(line.substr(eq + 1)));
    }
    return table;
}

}  // namespace qm::suite
