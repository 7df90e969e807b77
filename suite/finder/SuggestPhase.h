// The search for moved targets over shortcut files named by their paths (the broken ones a scan
// reported): each is read and judged again, since it may have been repaired or its target may
// have come back since, then searched with the real file system (MovedTargets.h).
#pragma once

#include "suite/finder/MovedTargets.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::finder {

// Reads and judges each shortcut file (a shell link, or an internet shortcut when named .url); a
// file that can't be read or is neither gives an entry judged Unjudged and not `read`, so the
// result lines up with `paths`. `stopRequested` (may be empty) is asked before each file: once
// it answers true the files left are not read.
std::vector<BrokenLink> ReadShortcuts(const std::vector<std::string>& paths, FileSystem& fileSystem,
                                      const std::function<bool()>& stopRequested = {});

// ReadShortcuts with the real file system: the rule's judgement of each file now.
std::vector<BrokenLink> JudgeShortcutFiles(const std::vector<std::string>& paths);

// ReadShortcuts, then SuggestMovedTargets, both with the real file system and the options' stop.
std::vector<TargetSuggestion> SuggestForShortcutFiles(const std::vector<std::string>& paths, const SuggestOptions& options = {},
                                                      SuggestStats* stats = nullptr);

}  // namespace qm::finder
