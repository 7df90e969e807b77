#include "results/IconCache.h"

#include "base/PathSplit.h"
#include "base/Utf.h"
#include "base/win/Handle.h"

#include <shellapi.h>

namespace qm::results {
namespace {

std::wstring LowerExtension(const std::string& path) {
    const std::string name = PathFileName(path);
    const size_t dot = name.rfind('.');
    std::wstring extension = dot == std::string::npos ? L"" : Widen(name.substr(dot));
    ::CharLowerBuffW(extension.data(), static_cast<DWORD>(extension.size()));
    return extension;
}

}  // namespace

HIMAGELIST IconCache::Create(int pixels) {
    pixels_ = pixels;
    images_ = ::ImageList_Create(pixels, pixels, ILC_COLOR32 | ILC_MASK, 0, 0);
    return images_;
}

HIMAGELIST IconCache::Remake(int pixels) {
    Create(pixels);  // what is known of the images stays: they keep their places
    for (const std::wstring& name : nameOfImage_) {
        int systemIndex = 0;
        IconHandle icon(ShellIcon(name, &systemIndex));
        // An icon the shell no longer gives keeps its place, blank, so the rows' images stay right.
        if (::ImageList_ReplaceIcon(images_, -1, icon ? icon.Get() : ::LoadIconW(nullptr, IDI_APPLICATION)) < 0) break;
    }
    return images_;
}

HICON IconCache::ShellIcon(const std::wstring& name, int* systemIndex) const {
    SHFILEINFOW info{};
    // The shell's small icon is the system's small size for the DPI; a larger size is drawn
    // from its large icon.
    const UINT size = pixels_ > ::GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    if (!::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_ICON | size | SHGFI_USEFILEATTRIBUTES))
        return nullptr;
    *systemIndex = info.iIcon;
    return info.hIcon;
}

int IconCache::IconFor(const std::string& path) {
    const std::wstring extension = LowerExtension(path);
    if (const auto known = imageOfExtension_.find(extension); known != imageOfExtension_.end()) return known->second;
    int image = 0;
    const std::wstring name = Widen(PathFileName(path));
    int systemIndex = 0;
    if (IconHandle icon(ShellIcon(name, &systemIndex)); icon) {
        if (const auto same = imageOfSystemIcon_.find(systemIndex); same != imageOfSystemIcon_.end()) {
            image = same->second;
        } else {
            const int added = ::ImageList_ReplaceIcon(images_, -1, icon.Get());  // drawn at the list's size
            if (added >= 0) {
                image = added;
                imageOfSystemIcon_.emplace(systemIndex, added);
                nameOfImage_.push_back(name);
            }
        }
    }
    imageOfExtension_.emplace(extension, image);
    return image;
}

void IconCache::Clear() {
    ::ImageList_RemoveAll(images_);
    imageOfExtension_.clear();
    imageOfSystemIcon_.clear();
    nameOfImage_.clear();
}

int IconCache::Count() const { return ::ImageList_GetImageCount(images_); }

}  // namespace qm::results
