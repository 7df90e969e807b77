// File access shared by the components that read and rewrite the suite's files. Failures throw
// ComFailure with a description that names the file and the reason.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::suite {

// Settings and language files are small; anything beyond this is not one of them.
inline constexpr size_t kMaxTextFileBytes = 16u * 1024u * 1024u;

// The whole file. `what` names the file's role in messages ("settings file").
std::string ReadTextFile(const std::wstring& path, const wchar_t* what);

// Refuses (throws) when the file exists and is read-only, before anything is written.
void CheckReplaceable(const std::wstring& path, const wchar_t* what);

// A temporary file name in the target's folder, so the final move stays on one volume.
std::wstring TemporarySibling(const std::wstring& path);

// Moves a finished temporary file over `path` (replace, write-through); deletes it on failure.
void ReplaceWithTemporary(const std::wstring& temporary, const std::wstring& path, const wchar_t* what);

// Writes `content` to a temporary sibling and moves it over `path`: readers see the old file or
// the new one, never a half-written one, and a failure leaves the old file as it was.
void WriteFileAtomically(const std::wstring& path, std::string_view content, const wchar_t* what);

// The system's text for a Win32 error, to go inside a sentence: without the line break and the
// full stop it ends with; "error <n>" when the system has none.
std::wstring ErrorText(DWORD error);

}  // namespace qm::suite
