// The module's XML document holds only what the user chose (the saved folder selection), so a
// missing or damaged one is no reason to stop the program: it starts with a fresh document, the
// shipped one built into the program, and keeps the damaged file's bytes beside it.
#pragma once

#include "host/Components.h"

#include <string>

namespace qm::app {

// Loads `path` into `store`. When the file is missing, or is no well-formed XML, a fresh
// document takes its place (a damaged file is first renamed to "<its name>.damaged", or
// ".damaged-2" and so on when that name is taken); when it cannot be read (locked, no access) it
// is left as it is and the run goes on without it. Returns what the user should be told: empty
// when the file loaded as it was.
std::string LoadUserStateFile(const host::XmlStoreComponent& store, const std::string& path);

// Whether `notice` (what start-up would tell the user about a file, "" for nothing) is news: the
// document remembers the last notice shown, so that the same missing or incomplete file is not
// reported again at every start (a changed one is). Without a document every notice is news.
bool IsNewNotice(const host::XmlStoreComponent& store, const std::string& notice);

}  // namespace qm::app
