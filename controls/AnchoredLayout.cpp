#include "controls/AnchoredLayout.h"

#include "controls/ListView.h"

namespace qm::controls {

Box PlaceInParent(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void AnchoredLayout::Start(HWND parent) {
    parent_ = parent;
    placed_.clear();
    RECT client{};
    ::GetClientRect(parent, &client);
    start_ = {client.left, client.top, client.right, client.bottom};
}

void AnchoredLayout::Add(HWND control, unsigned anchors) {
    if (control) placed_.push_back({control, PlaceInParent(control), anchors});
}

void AnchoredLayout::AddList(int controlId, unsigned anchors) {
    if (HWND list = ::GetDlgItem(parent_, controlId)) placed_.push_back({list, PlaceInParent(list), anchors, true});
}

void AnchoredLayout::Apply(const RECT& client) const {
    if (placed_.empty()) return;
    const long dx = GrowthX(client);
    const long dy = GrowthY(client);
    std::vector<long> listWidths;
    for (const Placed& item : placed_) {
        if (item.sharesWidth) listWidths.push_back(PlaceInParent(item.control).Width());
    }
    HDWP moves = ::BeginDeferWindowPos(static_cast<int>(placed_.size()));
    for (const Placed& item : placed_) {
        const Box box = Anchored(item.place, item.anchors, dx, dy);
        constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
        if (moves) {
            moves = ::DeferWindowPos(moves, item.control, nullptr, box.left, box.top, box.Width(), box.Height(), kFlags);
        } else {
            ::SetWindowPos(item.control, nullptr, box.left, box.top, box.Width(), box.Height(), kFlags);
        }
    }
    if (moves) ::EndDeferWindowPos(moves);
    size_t list = 0;
    for (const Placed& item : placed_) {
        if (item.sharesWidth) ListView(item.control).GrowColumns(PlaceInParent(item.control).Width() - listWidths[list++]);
    }
    // Where a control was, the parent's background shows again.
    ::InvalidateRect(parent_, nullptr, TRUE);
}

}  // namespace qm::controls
