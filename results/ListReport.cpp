#include "results/ListReport.h"

#include "base/ShortcutReport.h"

namespace qm::results {

std::string ListReportText(const std::vector<wizard::BrokenShortcut>& rows, const ReadTarget& readTarget) {
    std::string text(kUtf8ByteOrderMark);
    text += CsvHeader();
    for (const wizard::BrokenShortcut& record : rows) {
        const std::string path = record.Path();
        std::string target = record.target;
        if (target.empty() && readTarget) readTarget(path, target);
        const bool retargeted = record.goneKind == wizard::GoneKind::Retargeted;
        text += CsvRecord({path, std::move(target), retargeted ? std::string(kRetargetedReason) : record.reason,
                           record.suggestion, std::string(wizard::ConfidenceName(record.confidence))});
    }
    return text;
}

}  // namespace qm::results
