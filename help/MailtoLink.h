// A "mailto:" link with subject and body (RFC 6068). Subject and body are display texts from
// the language file; they are percent-encoded, so an "&", "?", "#", "%" or a line break in
// them stays part of the text instead of ending it or starting another header field.
#pragma once

#include <string>
#include <string_view>

namespace qm::help {

// Percent-encodes every byte of UTF-8 text except the unreserved characters of RFC 3986
// (letters, digits, "-", ".", "_", "~"). Line breaks become CR LF ("%0D%0A") as RFC 6068
// asks, whether the text had LF, CR or CR LF.
std::string PercentEncodeMailText(std::string_view text);

// "mailto:<address>?subject=<subject>&body=<body>"; the address is the program's own
// constant and goes in as it is.
std::string BuildMailtoLink(std::string_view address, std::string_view subject, std::string_view body);

}  // namespace qm::help
