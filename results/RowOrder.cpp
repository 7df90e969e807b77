#include "results/RowOrder.h"

#include <cstdlib>

namespace qm::results {

int CompareRowTexts(int kind, std::string_view first, std::string_view second, int direction) {
    int order = 0;
    if (kind == kSortAsText) {
        const int c = first.compare(second);  // char_traits<char>: unsigned bytes, like memcmp
        order = (c > 0) - (c < 0);
    } else if (kind == kSortAsNumber) {
        const double a = std::strtod(std::string(first).c_str(), nullptr);
        const double b = std::strtod(std::string(second).c_str(), nullptr);
        order = (a > b) - (a < b);
    }
    return direction == 1 ? -order : order;
}

std::wstring ExplorerSelectParameters(std::wstring_view path) {
    return L"/e,/select,\"" + std::wstring(path) + L"\"";
}

}  // namespace qm::results
