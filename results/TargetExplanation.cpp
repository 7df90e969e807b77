#include "results/TargetExplanation.h"

namespace qm::results {

std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string filled;
    filled.reserve(pattern.size());
    size_t at = 0;
    while (at < pattern.size()) {
        const size_t open = pattern.find('{', at);
        if (open == std::string_view::npos) break;
        filled.append(pattern, at, open - at);
        const size_t close = pattern.find('}', open);
        bool replaced = false;
        if (close != std::string_view::npos) {
            const std::string_view name = pattern.substr(open + 1, close - open - 1);
            for (const auto& [key, value] : values) {
                if (key != name) continue;
                filled += value;
                at = close + 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            filled += '{';
            at = open + 1;
        }
    }
    if (at < pattern.size()) filled.append(pattern, at, std::string_view::npos);
    return filled;
}

std::string ExplainGoneTarget(const wizard::BrokenShortcut& record, const TextOfKey& text) {
    const bool folder = record.targetIsFolder;
    std::string_view key;
    switch (record.goneKind) {
    case wizard::GoneKind::ItemNotInFolder: key = folder ? "_QM_SugFolderNotInFolder" : "_QM_SugFileNotInFolder"; break;
    case wizard::GoneKind::FolderGone: key = "_QM_SugFolderGone"; break;
    case wizard::GoneKind::MissingOnShare: key = folder ? "_QM_SugFolderMissingOnShare" : "_QM_SugFileMissingOnShare"; break;
    case wizard::GoneKind::Retargeted: key = "_QM_SugRetargeted"; break;
    case wizard::GoneKind::Unknown:
        if (record.target.empty()) return {};
        key = "_QM_SugTargetGone";
        break;
    }
    return FillPlaceholders(text(key), {{"name", record.goneName}, {"folder", record.goneFolder}, {"target", record.target}});
}

std::string SuggestionCell(const wizard::BrokenShortcut& record, const TextOfKey& text) {
    if (record.suggestion.empty()) return {};
    if (HasCertainSuggestion(record)) return record.suggestion;
    return FillPlaceholders(text("_QM_SugPossibleCell"), {{"target", record.suggestion}});
}

std::string ExplanationLine(const wizard::BrokenShortcut& record, const TextOfKey& text, std::optional<UsualPlace> place) {
    // A row in Recent items says first what it is: the line under the list has room for two
    // lines, and the path of the gone document is what may be cut off.
    std::string line = place == UsualPlace::Recent ? text("_QM_RecentExplained") : std::string();
    const auto append = [&line](const std::string& sentence) {
        if (sentence.empty()) return;
        line += (line.empty() ? "" : " ") + sentence;
    };
    append(ExplainGoneTarget(record, text));
    if (!record.suggestion.empty())
        append(FillPlaceholders(text(HasCertainSuggestion(record) ? "_QM_SugFoundCertain" : "_QM_SugFoundPossible"),
                                {{"target", record.suggestion}}));
    return line;
}

}  // namespace qm::results
