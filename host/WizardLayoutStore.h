// The wizard's size and the results list's column widths, kept in the module XML document in
// an element of their own under the top element `config`:
//   <wizard width="900" height="640" result_columns="220,310,290"/>
// (pixels: the window's outer size as last shown, not minimised or maximised, and each column's
// width in column order). A document without the element, as older versions wrote it, holds
// nothing; versions that don't know the element pass it by. A value that is no whole number
// above zero makes its part of the element count as not saved.
#pragma once

#include "host/Components.h"

#include <vector>

namespace qm::host {

struct WizardLayout {
    long width = 0;  // 0: not saved
    long height = 0;
    std::vector<long> resultColumns;  // empty: not saved
    bool operator==(const WizardLayout&) const = default;
};

// What the document holds; nothing when the store is absent. A failing store raises
// ComponentError.
WizardLayout LoadWizardLayout(const XmlStoreComponent& moduleXml);

// Writes `layout` into the element (creating it when it is missing) and saves the document.
// False, and nothing written, when the store is absent or the document has no `config` top
// element. A failing store raises ComponentError.
bool SaveWizardLayout(const XmlStoreComponent& moduleXml, const WizardLayout& layout);

}  // namespace qm::host
