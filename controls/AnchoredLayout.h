// Keeps a window's controls in their places as the window is resized: notes where each control
// is when the window starts, and on every new client size puts each where its anchors say
// (controls/Placement.h), all in one move. Pages and the wizard sheet call it from their one
// layout function, which serves a resize and a change of scale alike.
#pragma once

#include "controls/Placement.h"

#include <windows.h>

#include <vector>

namespace qm::controls {

class AnchoredLayout {
public:
    // Notes the client size of `parent` as the size the places grow from; forgets earlier
    // controls.
    void Start(HWND parent);
    // Notes where `control` (a child of the parent) is now; a null control is passed by.
    void Add(HWND control, unsigned anchors);
    void Add(int controlId, unsigned anchors) { Add(::GetDlgItem(parent_, controlId), anchors); }
    // A report-view list whose columns share out what its width gains or loses.
    void AddList(int controlId, unsigned anchors);

    // Places the noted controls for the parent's client area `client`.
    void Apply(const RECT& client) const;
    // How much `client` is larger than the client area at Start.
    long GrowthX(const RECT& client) const { return (client.right - client.left) - start_.Width(); }
    long GrowthY(const RECT& client) const { return (client.bottom - client.top) - start_.Height(); }
    bool Started() const { return parent_ != nullptr; }

private:
    struct Placed {
        HWND control;
        Box place;
        unsigned anchors;
        bool sharesWidth = false;
    };
    HWND parent_ = nullptr;
    Box start_;
    std::vector<Placed> placed_;
};

// The rectangle of `control` in the client coordinates of its parent.
Box PlaceInParent(HWND control);

}  // namespace qm::controls
