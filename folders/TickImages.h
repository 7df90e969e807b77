// The folder tree's tick boxes as state images, drawn at the size the tree's DPI asks for, so
// that they stay sharp and as large beside the text at every scale: 0 blank (no box), 1 empty
// box, 2 grey tick (partly chosen), 3 green tick (chosen).
#pragma once

#include "base/win/Handle.h"

namespace qm::folders {

// Four square images of `pixels` (18 at 100%), white around the box transparent.
ImageListHandle MakeTickImages(int pixels);

}  // namespace qm::folders
