#include "host/BuiltinTexts.h"

#include "suite/text/LanguageFile.h"

#include <algorithm>
#include <cstddef>

namespace qm::host {

// Written at build time from res/lang/English.lng.
extern const char kBuiltinEnglishFile[];
extern const std::size_t kBuiltinEnglishFileSize;

namespace {

struct Builtin {
    suite::LanguageTable texts;
    std::vector<std::string> keys;

    Builtin() {
        suite::LanguageParseError error;
        if (auto table = suite::ParseLanguageFile({kBuiltinEnglishFile, kBuiltinEnglishFileSize}, error)) {
            texts = std::move(*table);
        }
        for (const auto& [key, text] : texts) keys.push_back(key);
        std::sort(keys.begin(), keys.end());
    }
};

const Builtin& TheBuiltin() {
    static const Builtin builtin;  // read once, on first use, from whichever thread
    return builtin;
}

}  // namespace

const std::string* BuiltinText(std::string_view key) {
    const auto& texts = TheBuiltin().texts;
    const auto found = texts.find(std::string(key));
    return found == texts.end() ? nullptr : &found->second;
}

const std::vector<std::string>& BuiltinKeys() { return TheBuiltin().keys; }

}  // namespace qm::host
