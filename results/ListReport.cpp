#include "results/ListReport.h"

#include "base/ShortcutReport.h"

#include <unordered_map>

namespace qm::results {

std::string ListReportText(const std::vector<std::string>& rowPaths, const wizard::ResultStore& store,
                           const ReadTarget& readTarget) {
    std::unordered_map<std::string, const wizard::BrokenShortcut*> recordOfPath;
    for (std::size_t i = 0; i < store.Count(); ++i) recordOfPath.emplace(store.At(i).Path(), &store.At(i));
    std::string text(kUtf8ByteOrderMark);
    text += CsvHeader();
    for (const std::string& path : rowPaths) {
        const auto found = recordOfPath.find(path);
        if (found == recordOfPath.end()) continue;
        const wizard::BrokenShortcut& record = *found->second;
        std::string target = record.target;
        if (target.empty() && readTarget) readTarget(path, target);
        text += CsvRecord({path, std::move(target), record.reason, record.suggestion,
                           std::string(wizard::ConfidenceName(record.confidence))});
    }
    return text;
}

}  // namespace qm::results
