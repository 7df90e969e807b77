// One item of a pop-up menu as a table holds it: its command and the language key of its text.
// Window-free, so the tables can be checked without building the menus (their mnemonics).
#pragma once

#include <string_view>

namespace qm {

struct MenuItemKey {
    unsigned command;  // 0: a separator
    std::string_view textKey;
};

}  // namespace qm
