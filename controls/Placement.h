// Where windows and controls go: a dialog centred over its owner and kept inside the work
// area, a window's remembered size fitted to the screen, a control following the edges of a
// window that grew. Plain arithmetic, no window calls, so it is tested natively.
#pragma once

#include <vector>

namespace qm::controls {

struct Box {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
    long Width() const noexcept { return right - left; }
    long Height() const noexcept { return bottom - top; }
};

struct Position {
    long x = 0;
    long y = 0;
    bool operator==(const Position&) const = default;
};

// The top-left corner for a window of `width` x `height` centred over `over` (the owner, or the
// work area when there is no usable owner) and then moved into `workArea`: an edge that would
// lie before the work area's left (top) edge is put on it; otherwise an edge that would pass
// its right (bottom) edge is put on that one. A window larger than the work area thus keeps
// its left (top) edge visible.
Position CentredInside(long width, long height, const Box& over, const Box& workArea) noexcept;

struct Extent {
    long width = 0;
    long height = 0;
    bool operator==(const Extent&) const = default;
};

// A remembered window size made usable: never smaller than `minimum`, and otherwise no larger
// than the work area (a size saved on a larger screen, or written by hand). When the minimum
// itself does not fit, the minimum wins: the window is never made smaller than its content.
Extent FittedSize(Extent wanted, Extent minimum, const Box& workArea) noexcept;

// The edges of its parent's client area that a control keeps its distance to when the parent
// is resized, in the manner of anchors: left and right together stretch it, right alone moves it.
enum Anchor : unsigned {
    kAnchorLeft = 1,
    kAnchorTop = 2,
    kAnchorRight = 4,
    kAnchorBottom = 8,
    kAnchorTopLeft = kAnchorLeft | kAnchorTop,
    kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
};

// Where a control that was at `original` goes when its parent grew by `dx`, `dy` (negative:
// shrank). An axis with neither edge anchored keeps the control where it was.
Box Anchored(const Box& original, unsigned anchors, long dx, long dy) noexcept;

// Column widths shared out over a new total width in the proportions they have now; they add
// up to `total` exactly (what rounding leaves goes to the last column). No column goes below
// one pixel. Columns that add up to nothing keep their widths.
std::vector<long> SharedWidths(const std::vector<long>& widths, long total);

}  // namespace qm::controls
