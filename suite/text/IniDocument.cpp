#include "suite/text/IniDocument.h"

#include "base/Text.h"

#include <limits>

namespace qm::suite {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t npos = std::string::npos;

}  // namespace

bool IsWritableIniName(std::string_view name, bool isSection) {
    const std::string_view trimmed = Trim(name);
    if (trimmed.empty() || name.find_first_of("\r\n") != npos) return false;
    if (isSection) return trimmed.find(']') == npos;
    return trimmed.find('=') == npos && trimmed.front() != ';' && trimmed.front() != '#' && trimmed.front() != '[';
}

int ParseProfileInt(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    long long value = 0;
    bool anyDigit = false;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        anyDigit = true;
        value = value * base + digit;
        // Hex may spell a negative 32-bit pattern (0xFFFFFFFF); decimal must fit an int.
        if (value > 0xFFFFFFFFLL) return 0;
    }
    if (!anyDigit) return 0;
    if (base == 16 && value > std::numeric_limits<int>::max()) {
        value -= 0x100000000LL;
    } else if (value > static_cast<long long>(std::numeric_limits<int>::max()) + (negative ? 1 : 0)) {
        return 0;
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<IniDocument> IniDocument::Parse(std::string_view text, ParseError& error) {
    IniDocument doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    if (text.find('\0') != npos) {
        error = {0, "the file holds binary data (a NUL byte), not settings text"};
        return std::nullopt;
    }
    const size_t firstNewline = text.find('\n');
    doc.crlf_ = firstNewline == npos || (firstNewline > 0 && text[firstNewline - 1] == '\r');
    doc.finalNewline_ = text.empty() || text.back() == '\n';

    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == npos ? text.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        Line line;
        line.text = std::string(raw);
        std::string_view trimmed = Trim(raw);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
            line.kind = LineKind::Other;
        } else if (trimmed.front() == '[') {
            size_t close = trimmed.find(']');
            if (close == npos) {
                error = {lineNumber, "the section header \"" + std::string(trimmed) + "\" has no closing ']'"};
                return std::nullopt;
            }
            line.kind = LineKind::Section;
            line.name = std::string(Trim(trimmed.substr(1, close - 1)));
        } else if (size_t eq = raw.find('='); eq != npos) {
            line.kind = LineKind::Pair;
            line.name = std::string(Trim(raw.substr(0, eq)));
            line.valueBegin = eq + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

size_t IniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Section && EqualsIgnoringAsciiCase(lines_[i].name, section)) return i;
    }
    return npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
    return i;
}

size_t IniDocument::FindKey(size_t header, std::string_view key) const {
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == LineKind::Pair && EqualsIgnoringAsciiCase(lines_[i].name, key)) return i;
    }
    return npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == npos) return std::nullopt;
    const size_t index = FindKey(header, key);
    if (index == npos) return std::nullopt;
    std::string_view value = Trim(std::string_view(lines_[index].text).substr(lines_[index].valueBegin));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

int IniDocument::GetInt(std::string_view section, std::string_view key) const {
    std::optional<std::string> value = Get(section, key);
    return value ? ParseProfileInt(*value) : 0;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    Line pair;
    pair.kind = LineKind::Pair;
    pair.name = std::string(Trim(key));
    pair.text = pair.name + "=" + std::string(value);
    pair.valueBegin = pair.name.size() + 1;

    size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
        Line sectionLine;
        sectionLine.kind = LineKind::Section;
        sectionLine.name = std::string(Trim(section));
        sectionLine.text = "[" + sectionLine.name + "]";
        lines_.push_back(std::move(sectionLine));
        lines_.push_back(std::move(pair));
        finalNewline_ = true;
        return;
    }
    if (size_t index = FindKey(header, key); index != npos) {
        // Keep the key's spelling and whatever stood before '=' exactly as the file had it.
        Line& line = lines_[index];
        line.text = line.text.substr(0, line.valueBegin) + std::string(value);
        return;
    }
    size_t insertAt = SectionEnd(header);
    while (insertAt > header + 1 && Trim(lines_[insertAt - 1].text).empty()) --insertAt;
    if (insertAt == lines_.size()) finalNewline_ = true;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(pair));
}

std::string IniDocument::Serialize() const {
    const std::string_view newline = crlf_ ? "\r\n" : "\n";
    std::string out;
    if (bom_) out += kBom;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].text;
        if (i + 1 < lines_.size() || finalNewline_) out += newline;
    }
    return out;
}

}  // namespace qm::suite
