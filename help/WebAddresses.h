// The maker's addresses: the web pages the help menus open and the support mailbox. Every
// address the program opens is here and nowhere else.
#pragma once

#include <string_view>

namespace qm::help {

inline constexpr std::string_view kOnlineHelpAddress = "https://www.quillmend.example/help/";
inline constexpr std::string_view kMakerSiteAddress = "https://www.quillmend.example/";
inline constexpr std::string_view kOnlineSupportAddress = "https://www.quillmend.example/support/contact/";
inline constexpr std::string_view kUpdateAddress = "https://www.quillmend.example/download/latest/";

inline constexpr std::string_view kSupportMailAddress = "support@quillmend.example";

}  // namespace qm::help
