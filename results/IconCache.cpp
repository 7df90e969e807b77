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

HIMAGELIST IconCache::Create() {
    images_ = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
    return images_;
}

int IconCache::IconFor(const std::string& path) {
    const std::wstring extension = LowerExtension(path);
    if (const auto known = imageOfExtension_.find(extension); known != imageOfExtension_.end()) return known->second;
    int image = 0;
    SHFILEINFOW info{};
    const std::wstring name = Widen(PathFileName(path));
    if (::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                         SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) &&
        info.hIcon) {
        IconHandle icon(info.hIcon);
        if (const auto same = imageOfSystemIcon_.find(info.iIcon); same != imageOfSystemIcon_.end()) {
            image = same->second;
        } else {
            const int added = ::ImageList_ReplaceIcon(images_, -1, icon.Get());
            if (added >= 0) {
                image = added;
                imageOfSystemIcon_.emplace(info.iIcon, added);
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
}

int IconCache::Count() const { return ::ImageList_GetImageCount(images_); }

}  // namespace qm::results
