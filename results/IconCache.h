// The small icons of the results list: one image per distinct icon, the shell asked once per
// extension (the icon follows the name's extension; the file itself is not opened).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

namespace qm::results {

class IconCache {
public:
    // Makes the empty image list. It belongs to whoever it is handed to: the results list
    // destroys it with itself (it is not shared).
    HIMAGELIST Create();
    // The image of the file's icon; 0 when the shell has none.
    int IconFor(const std::string& path);
    // Empties the images and what is known of them, for a new fill.
    void Clear();
    int Count() const;

private:
    HIMAGELIST images_ = nullptr;
    std::unordered_map<int, int> imageOfSystemIcon_;  // system image index -> our image
    std::unordered_map<std::wstring, int> imageOfExtension_;
};

}  // namespace qm::results
