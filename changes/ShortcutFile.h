// The program's only access to the inside of shortcut files, shell links and internet shortcuts
// (a name ending in .url): reading the target a shortcut stores, and giving it a new one. Both
// read the file with the suite's own readers (the shell's link object under Wine answers a
// wrong path for many real links: it drops LinkInfo's path suffix and ignores
// environment-variable targets and the IDList). Paths are UTF-8 of any length; every file call
// is a W call.
#pragma once

#include <string>

namespace qm::changes {

// Reads the target path that the shortcut file stores, without resolving or searching. True
// when the file is a shell link, or an internet shortcut with a URL; `target` is then the stored
// path (empty for a link to a shell object without a file-system path, or a URL that names
// none, such as a web address). False when the file is missing, unreadable or not a shortcut
// of its kind; `target` is then left as it was.
bool ReadShortcutTarget(const std::string& shortcutPath, std::string& target);

// Why a re-target failed, for tests and messages.
enum class RetargetFailure {
    None,
    ShortcutUnreadable,  // the old file cannot be read as a shortcut of its kind
    TargetUnusable,      // the new target is not a full path to an existing file or folder
    CannotEdit,          // the link cannot hold the new target faithfully
    CannotWrite,         // the new file cannot be written beside the old one, or read back
    CannotReplace,       // the old file cannot be replaced
};

// Makes the shortcut open `newTarget` and keeps everything else it had: of a shell link its
// arguments, icon, hot key, show command, flags, extra data (see suite/lnk/ShellLinkEditor.h),
// of an internet shortcut every byte but its URL and an icon file that named the old target
// (see suite/lnk/InternetShortcut.h). The new file is written beside the old one, read back and checked, and only then put in the old one's place
// as Windows replaces a file: the old file's security descriptor, alternate data streams,
// attributes (read-only, hidden, system, archive) and creation time carry over. On any failure
// the original file is left byte for byte as it was, attributes included (should the system
// refuse even to put it back, it stays beside under a "~qm....tmp" name, and the batch's backup
// copy restores it); `systemError` (when given) gets the system's error code of a failed write
// or replace.
RetargetFailure RetargetShortcut(const std::string& shortcutPath, const std::string& newTarget,
                                 unsigned long* systemError = nullptr);

}  // namespace qm::changes
