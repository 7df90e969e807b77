#include "changes/BackupJournal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace qm::changes {
namespace {

constexpr std::string_view kMagic = "QuillMend backup journal 2";
constexpr std::string_view kFirstMagic = "QuillMend backup journal 1";  // no copy checks, no done lines

void AppendEscaped(std::string& out, std::string_view field) {
    for (char c : field) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

std::string Line(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) line += '\t';
        first = false;
        AppendEscaped(line, field);
    }
    line += '\n';
    return line;
}

// Splits at tabs and undoes the escapes; nullopt on an unknown escape.
std::optional<std::vector<std::string>> Fields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c != '\\') {
            fields.back() += c;
        } else {
            if (++i >= line.size()) return std::nullopt;
            switch (line[i]) {
            case '\\': fields.back() += '\\'; break;
            case 't': fields.back() += '\t'; break;
            case 'n': fields.back() += '\n'; break;
            case 'r': fields.back() += '\r'; break;
            default: return std::nullopt;
            }
        }
    }
    return fields;
}

template <typename T>
bool Number(const std::string& text, T& value, int base = 10) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string Hex64(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
    return text;
}

constexpr std::pair<ChangeAction, std::string_view> kActionWords[] = {
    {ChangeAction::Retarget, "retarget"}, {ChangeAction::Repair, "repair"}, {ChangeAction::Delete, "delete"},
    {ChangeAction::Undo, "undo"},         {ChangeAction::Restore, "restore"}, {ChangeAction::Remove, "remove"},
};

}  // namespace

std::string_view ActionWord(ChangeAction action) {
    for (const auto& [each, word] : kActionWords)
        if (each == action) return word;
    return {};
}

std::optional<ChangeAction> ActionOfWord(std::string_view word) {
    for (const auto& [action, each] : kActionWords)
        if (each == word) return action;
    return std::nullopt;
}

std::string MakeBatchId(int64_t when, unsigned sequence) {
    char text[48];
    std::snprintf(text, sizeof text, "%012lld-%u", static_cast<long long>(when), sequence);
    return text;
}

std::string JournalHeaderText(const JournalBatch& batch) {
    return std::string(kMagic) + "\n" + Line({"batch", batch.id, std::to_string(batch.when), ActionWord(batch.action), batch.undoes});
}

std::string JournalEntryText(const JournalEntry& e) {
    return Line({"entry", ActionWord(e.action), e.originalPath, e.oldTarget, e.newTarget, e.backupName, Hex(e.attributes),
                 std::to_string(e.created), std::to_string(e.accessed), std::to_string(e.written),
                 std::to_string(e.copySize), Hex64(e.copyHash)});
}

std::string JournalDoneText(const JournalEntry& entry) { return Line({"done", entry.backupName}); }

uint64_t Fnv1a64(std::string_view bytes, uint64_t hash) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string JournalEndText(std::size_t entryCount) { return Line({"end", std::to_string(entryCount)}); }

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

namespace {

// One entry line's fields (after "entry"); nullopt when they are not an entry of this version.
std::optional<JournalEntry> ParseEntry(const std::vector<std::string>& f, bool firstVersion) {
    JournalEntry e;
    const std::optional<ChangeAction> action = f.size() == (firstVersion ? 10u : 12u) ? ActionOfWord(f[1]) : std::nullopt;
    if (!action || !IsPlainFileName(f[5]) || !Number(f[6], e.attributes, 16) || !Number(f[7], e.created) ||
        !Number(f[8], e.accessed) || !Number(f[9], e.written))
        return std::nullopt;
    if (!firstVersion && (!Number(f[10], e.copySize) || !Number(f[11], e.copyHash, 16))) return std::nullopt;
    e.action = *action;
    e.originalPath = f[2];
    e.oldTarget = f[3];
    e.newTarget = f[4];
    e.backupName = f[5];
    e.copyChecked = !firstVersion;
    e.done = firstVersion;
    return e;
}

}  // namespace

std::optional<JournalBatch> ParseJournal(std::string_view text) {
    JournalBatch batch;
    size_t start = 0;
    size_t lineNumber = 0;
    bool firstVersion = false;
    bool ended = false;
    bool endMatches = false;
    // Only whole lines count: a last line without its LF was torn by the end of the program.
    for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1, ++lineNumber) {
        const std::string_view line = text.substr(start, end - start);
        if (lineNumber == 0) {
            if (line != kMagic && line != kFirstMagic) return std::nullopt;
            firstVersion = line == kFirstMagic;
            continue;
        }
        std::optional<std::vector<std::string>> fields = Fields(line);
        if (lineNumber == 1) {
            // Without its header a batch cannot be named, and nothing was changed before it.
            if (!fields) return std::nullopt;
            std::vector<std::string>& f = *fields;
            const std::optional<ChangeAction> action = f.size() == 5 ? ActionOfWord(f[3]) : std::nullopt;
            if (!action || f[0] != "batch" || !IsPlainFileName(f[1]) || !Number(f[2], batch.when)) return std::nullopt;
            batch.id = f[1];
            batch.action = *action;
            batch.undoes = f[4];
            continue;
        }
        // From here on a line that cannot be read costs only itself.
        bool readable = fields && !ended;
        if (readable) {
            const std::vector<std::string>& f = *fields;
            if (f[0] == "entry") {
                std::optional<JournalEntry> entry = ParseEntry(f, firstVersion);
                readable = entry.has_value();
                if (entry) batch.entries.push_back(std::move(*entry));
            } else if (f[0] == "done" && !firstVersion && f.size() == 2) {
                // The newest entry of that copy: a done line follows its entry.
                auto named = std::find_if(batch.entries.rbegin(), batch.entries.rend(),
                                          [&](const JournalEntry& e) { return e.backupName == f[1]; });
                readable = named != batch.entries.rend();
                if (readable) named->done = true;
            } else if (f[0] == "end" && f.size() == 2) {
                size_t count = 0;
                readable = Number(f[1], count);
                ended = readable;
                endMatches = readable && count == batch.entries.size();
            } else {
                readable = false;
            }
        }
        if (!readable) ++batch.unreadableLines;
    }
    // Torn inside the header: the batch had not begun to change anything.
    if (lineNumber < 2) return std::nullopt;
    if (start != text.size()) ++batch.unreadableLines;  // a torn last line
    batch.complete = ended && endMatches && batch.unreadableLines == 0;
    return batch;
}

std::vector<const JournalBatch*> BatchesToPrune(const std::vector<JournalBatch>& batches, int64_t now, int keepDays) {
    std::vector<const JournalBatch*> old;
    if (keepDays <= 0) return old;
    const int64_t limit = now - int64_t{keepDays} * 24 * 60 * 60;
    for (const JournalBatch& batch : batches) {
        if (batch.when < limit) old.push_back(&batch);
    }
    return old;
}

}  // namespace qm::changes
