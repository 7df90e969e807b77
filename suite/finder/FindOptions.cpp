#include "suite/finder/FindOptions.h"

#include "base/Wildcard.h"

#include <algorithm>

namespace qm::finder {

namespace {

std::vector<std::string> ReadMaskList(const char* const* masks) {
    std::vector<std::string> list;
    if (!masks) return list;
    // Ends at the first empty string: the caller's array has no count of its own.
    for (const char* const* mask = masks; *mask && **mask; ++mask) list.emplace_back(*mask);
    return list;
}

bool ReadFlag(long value, const char* name, bool& flag, std::string& error) {
    if (value != 0 && value != 1) {
        error = std::string(name) + " must be 0 or 1";
        return false;
    }
    flag = value == 1;
    return true;
}

bool ReadCount(long value, const char* name, uint32_t& count, std::string& error) {
    if (value < 0) {
        error = std::string(name) + " must not be negative";
        return false;
    }
    count = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

std::optional<FindOptions> ParseFindArguments(const FindArguments& a, std::string& error) {
    FindOptions options;
    std::vector<std::string> include = ReadMaskList(a.includeMasks);
    if (!include.empty()) options.includeMasks = std::move(include);
    options.excludeMasks = ReadMaskList(a.excludeMasks);

    uint32_t probeTimeout = 0;
    if (!ReadCount(a.maxDepth, "maxDepth (argument 3)", options.maxDepth, error) ||
        !ReadFlag(a.recurse, "recurse (argument 10)", options.recurse, error) ||
        !ReadFlag(a.skipHidden, "skipHidden (argument 11)", options.skipHidden, error) ||
        !ReadFlag(a.skipSystem, "skipSystem (argument 12)", options.skipSystem, error) ||
        !ReadCount(a.maxReports, "maxReports (argument 13)", options.maxReports, error) ||
        !ReadFlag(a.reportProblems, "reportProblems (argument 14)", options.reportProblems, error) ||
        !ReadFlag(a.checkTargets, "checkTargets (argument 15)", options.checkTargets, error) ||
        !ReadCount(a.probeTimeoutMs, "probeTimeoutMs (argument 16)", probeTimeout, error)) {
        return std::nullopt;
    }
    if (a.followReparse != 0) {
        error = "followReparse (argument 9) must be 0: junctions and symbolic links are never followed";
        return std::nullopt;
    }
    if (a.reserved17 != 0) {
        error = "argument 17 is reserved and must be 0";
        return std::nullopt;
    }
    if (probeTimeout != 0) options.probeTimeoutMs = probeTimeout;
    return options;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    return MatchWildcard(mask, name, WildcardRule::OneCharacterAsciiCaseless);
}

bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks) {
    for (const std::string& mask : masks) {
        if (MatchesMask(name, mask)) return true;
    }
    return false;
}

}  // namespace qm::finder
