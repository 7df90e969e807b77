#include "wizard/ResultStore.h"

namespace qm::wizard {

GoneKind GoneKindOfName(std::string_view name) {
    if (name == "ItemNotInFolder") return GoneKind::ItemNotInFolder;
    if (name == "FolderGone") return GoneKind::FolderGone;
    if (name == "MissingOnShare") return GoneKind::MissingOnShare;
    return GoneKind::Unknown;
}

Confidence ConfidenceOfName(std::string_view name) {
    if (name == "Certain") return Confidence::Certain;
    if (name == "Possible") return Confidence::Possible;
    return Confidence::None;
}

std::string_view ConfidenceName(Confidence confidence) {
    switch (confidence) {
    case Confidence::Certain: return "Certain";
    case Confidence::Possible: return "Possible";
    case Confidence::None: break;
    }
    return {};
}

std::string BrokenShortcut::ShortcutPath(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append(1, '\\').append(name);
    return path;
}

const BrokenShortcut* ResultStore::Find(std::string_view path) const {
    for (const BrokenShortcut& record : records_)
        if (record.folder.size() + 1 + record.name.size() == path.size() && record.Path() == path) return &record;
    return nullptr;
}

}  // namespace qm::wizard
