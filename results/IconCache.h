// The small icons of the results list: one image per distinct icon, the shell asked once per
// extension (the icon follows the name's extension; the file itself is not opened).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace qm::results {

class IconCache {
public:
    // Makes the empty image list of icons `pixels` square (16 at 100%). It belongs to whoever
    // it is handed to: the results list destroys it with itself (it is not shared).
    HIMAGELIST Create(int pixels);
    // A new list like Create's, holding the same icons at the same places, made at another size
    // (the list moved to a monitor of another DPI); the old one is the caller's to let go.
    HIMAGELIST Remake(int pixels);
    // The image of the file's icon; 0 when the shell has none.
    int IconFor(const std::string& path);
    // Empties the images and what is known of them, for a new fill.
    void Clear();
    int Count() const;

private:
    // The shell's icon for a file of that name, at this cache's size (null: none).
    HICON ShellIcon(const std::wstring& name, int* systemIndex) const;

    HIMAGELIST images_ = nullptr;
    int pixels_ = 16;
    std::unordered_map<int, int> imageOfSystemIcon_;  // system image index -> our image
    std::unordered_map<std::wstring, int> imageOfExtension_;
    std::vector<std::wstring> nameOfImage_;  // a file name that shows each of our images
};

}  // namespace qm::results
