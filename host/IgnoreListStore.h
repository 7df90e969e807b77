// The ignore list's place in the module XML document: under the top element `config`, one
// element `ignore` holding a <shortcut name="PATH"/> per ignored shortcut and a
// <folder name="PATH"/> per ignored folder. A document without `ignore` holds an empty list
// (files of older versions still load); versions that don't know the element pass it by.
#pragma once

#include "base/IgnoreList.h"
#include "host/Components.h"

namespace qm::host {

// The list the document holds; empty when the store is absent or has no `ignore` element.
// Entries with an empty name are passed by. A failing store raises ComponentError.
IgnoreList LoadIgnoreList(const XmlStoreComponent& moduleXml);

// Puts the list in place of the document's (creating `ignore` when it is missing) and writes
// the document once. False, and nothing written, when the store is absent or the document has
// no `config` top element. A failing store raises ComponentError.
bool SaveIgnoreList(const XmlStoreComponent& moduleXml, const IgnoreList& list);

}  // namespace qm::host
