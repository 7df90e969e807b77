// Where a dialog goes on the screen: centred over its owner, kept inside the work area.
// Plain arithmetic, no window calls, so it is tested natively.
#pragma once

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

}  // namespace qm::controls
