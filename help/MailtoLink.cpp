#include "help/MailtoLink.h"

namespace qm::help {

namespace {
bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void AppendEscaped(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}
}  // namespace

std::string PercentEncodeMailText(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            out += "%0D%0A";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (IsUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            AppendEscaped(out, c);
        }
    }
    return out;
}

std::string BuildMailtoLink(std::string_view address, std::string_view subject, std::string_view body) {
    std::string link = "mailto:";
    link += address;
    link += "?subject=";
    link += PercentEncodeMailText(subject);
    link += "&body=";
    link += PercentEncodeMailText(body);
    return link;
}

}  // namespace qm::help
