// The folder selection remembered between runs: one <item name="path"/> per scan root under
// config/select_folders of the module's XML document. The element must exist in the file; it is
// never created, so a document without it neither restores nor saves anything.
#pragma once

#include "host/Components.h"

#include <string>
#include <vector>

namespace qm::folders {

// The saved paths in document order; none when the store is absent or the element is missing.
// `attributeReader` reads the attributes (any store can read a node of another).
std::vector<std::string> LoadSavedSelection(const host::XmlStoreComponent& moduleXml,
                                            const host::XmlStoreComponent& attributeReader);

// Puts `paths` in place of the saved items and writes the document once. False (and nothing
// written) when the store is absent or the element is missing. A failing store raises
// host::ComponentError.
bool ReplaceSavedSelection(const host::XmlStoreComponent& moduleXml, const std::vector<std::string>& paths);

}  // namespace qm::folders
