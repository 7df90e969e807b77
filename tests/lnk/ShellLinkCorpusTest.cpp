// The reader against 1,100 real shortcut files and three independent readers of them:
// Debian's lnkinfo (run here on every file), the JSON results one source project published for
// its own samples, and what Wine 8's IShellLinkA::GetPath answered (recorded in categories.tsv).
// Every disagreement must be one listed below with its reason; a listed one that no longer
// occurs fails too, so the table stays true.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "suite/lnk/PropertyStore.h"
#include "suite/lnk/ShellLink.h"
#include "suite/lnk/ShellLinkEditor.h"
#include "tests/lnk/Lnkinfo.h"

#ifndef QM_LNK_CORPUS
#error "QM_LNK_CORPUS must name the shell-link corpus folder"
#endif

namespace qm::lnk {
namespace {

const std::string kCorpus = QM_LNK_CORPUS;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

struct CorpusFile {
    std::string path;  // relative to the corpus folder
    std::set<std::string> categories;
    bool magicOk = true;
    std::string wineResult;  // HRESULT of Load + GetPath, or "...:load" when Load failed
    std::string winePath;    // GetPath's answer through the ANSI interface
};

// categories.tsv names every sample; SOURCES.tsv says whether its header is a shell link's.
std::vector<CorpusFile> LoadCorpusList() {
    std::vector<CorpusFile> files;
    std::istringstream table(ReadFile(kCorpus + "/categories.tsv"));
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
        std::vector<std::string> f = SplitTabs(line);
        if (f.size() < 14) continue;
        CorpusFile file;
        file.path = f[0];
        std::istringstream cats(f[2]);
        for (std::string c; std::getline(cats, c, ',');) file.categories.insert(c);
        // The IDList column holds raw bytes for some files, tabs included: the Wine columns are
        // counted from the end.
        file.wineResult = f[f.size() - 3];
        file.winePath = f[f.size() - 2];
        files.push_back(file);
    }
    std::map<std::string, bool> magic;
    std::istringstream sources(ReadFile(kCorpus + "/SOURCES.tsv"));
    std::getline(sources, line);
    while (std::getline(sources, line)) {
        std::vector<std::string> f = SplitTabs(line);
        if (f.size() > 6) magic[f[0]] = f[6] == "1";
    }
    for (auto& file : files)
        if (magic.count(file.path)) file.magicOk = magic[file.path];
    return files;
}

// The smallest JSON string reader that the published results need: the value of the first
// "key": "..." in the text, escapes decoded; absent (or null) gives false.
bool JsonString(const std::string& json, const std::string& key, std::string& value) {
    size_t at = json.find("\"" + key + "\"");
    if (at == std::string::npos) return false;
    at = json.find(':', at);
    if (at == std::string::npos) return false;
    at = json.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string::npos || json[at] != '"') return false;
    value.clear();
    for (size_t i = at + 1; i < json.size(); ++i) {
        char c = json[i];
        if (c == '"') return true;
        if (c != '\\' || i + 1 >= json.size()) {
            value += c;
            continue;
        }
        char e = json[++i];
        if (e == 'u' && i + 4 < json.size()) {
            unsigned cp = std::stoul(json.substr(i + 1, 4), nullptr, 16);
            i += 4;
            if (cp >= 0xD800 && cp < 0xDC00 && json.compare(i + 1, 2, "\\u") == 0) {
                unsigned low = std::stoul(json.substr(i + 3, 4), nullptr, 16);
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
            if (cp < 0x80) {
                value += static_cast<char>(cp);
            } else if (cp < 0x800) {
                value += static_cast<char>(0xC0 | (cp >> 6));
                value += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                value += static_cast<char>(0xE0 | (cp >> 12));
                value += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                value += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                value += static_cast<char>(0xF0 | (cp >> 18));
                value += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                value += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                value += static_cast<char>(0x80 | (cp & 0x3F));
            }
        } else {
            value += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
        }
    }
    return false;
}

// The published local and network paths of one sample, as that project reports them.
struct PublishedPaths {
    bool present = false;
    std::string local, network;
};

PublishedPaths LoadPublished(const std::string& samplePath) {
    PublishedPaths paths;
    const std::string prefix = "Matmaus__LnkParse3/tests/samples/";
    if (samplePath.rfind(prefix, 0) != 0) return paths;
    const std::string json = ReadFile(kCorpus + "/_expected/published/Matmaus__LnkParse3/tests/json/" +
                                      samplePath.substr(prefix.size()) + ".json");
    if (json.empty() || json[0] != '{') return paths;
    paths.present = true;
    std::string base, suffix, net;
    if (!JsonString(json, "local_base_path_unicode", base)) JsonString(json, "local_base_path", base);
    if (!JsonString(json, "common_path_suffix_unicode", suffix)) JsonString(json, "common_path_suffix", suffix);
    if (!base.empty()) paths.local = base + suffix;
    if (JsonString(json, "net_name", net) && !net.empty())
        paths.network = suffix.empty() ? net : net + (net.back() == '\\' ? "" : "\\") + suffix;
    return paths;
}

// Disagreements with lnkinfo and the published results, each with its reason.
struct ExpectedDifference {
    const char* oracle;  // "lnkinfo" or "published"
    const char* field;   // "local", "network", "environment", "status"
    const char* file;
    const char* reason;
};

const ExpectedDifference kExpectedDifferences[] = {
    {"lnkinfo", "local", "Matmaus__LnkParse3/tests/samples/decoding_error4",
     "byte 0x90 has no Windows-1252 character: Windows (and we) map it to U+0090, lnkinfo to U+FFFD"},
    {"lnkinfo", "network", "Matmaus__LnkParse3/tests/samples/decoding_error4",
     "byte 0x90 has no Windows-1252 character: Windows (and we) map it to U+0090, lnkinfo to U+FFFD"},
    {"published", "local", "Matmaus__LnkParse3/tests/samples/decoding_error4",
     "byte 0x90 has no Windows-1252 character: Windows (and we) map it to U+0090, the project to U+FFFD"},
    {"lnkinfo", "local", "strayge__pylnk/_history/tests/examples/local_emoji.lnk",
     "lnkinfo 20181227 decodes the surrogate pair of U+1F370 into U+1EF71"},
    {"lnkinfo", "local", "log2timeline__plaso/test_data/unpaired_surrogate.lnk",
     "lnkinfo drops the unit after an unpaired surrogate; we keep it and put U+FFFD for the surrogate"},
    {"lnkinfo", "idlist", "strayge__pylnk/_history/tests/examples/local_emoji.lnk",
     "lnkinfo 20181227 decodes the surrogate pair of U+1F370 in the long name into U+1EF71"},
    {"lnkinfo", "idlist", "log2timeline__plaso/test_data/unpaired_surrogate.lnk",
     "lnkinfo drops the unit after an unpaired surrogate in the long name; we keep it"},
    {"published", "status", "Matmaus__LnkParse3/tests/samples/extra_data",
     "the last extra data block claims more bytes than the file holds; the project reads what it can, "
     "lnkinfo and we reject the file"},
};

// Wine's GetPath answers LinkInfo's path, else the IDList's path when that exists on the Wine
// machine, else the relative path. It differs from ours (LinkInfo's full local path, else the
// IDList's path) in known ways; each class of difference is recognised from the file here.
struct WineGap {
    const char* name;
    const char* reason;
};
const WineGap kWineGaps[] = {
    {"suffix", "Wine drops LinkInfo's common path suffix and answers the base path alone"},
    {"ansi", "Wine reads the ANSI base path although LinkInfo carries a Unicode one"},
    {"network-only", "Wine answers nothing for a link whose LinkInfo has only the network form"},
    {"relative", "without a LinkInfo path Wine answered the relative path (the IDList path was not resolved on "
                 "the Wine machine, e.g. a drive D: it lacks)"},
    {"idlist-absent", "without a LinkInfo path or relative path Wine answered nothing (the IDList path was not "
                      "resolved on the Wine machine)"},
    {"codepage", "non-ASCII text: Wine's ANSI interface turns characters outside its code page into '?'"},
    {"load", "Wine loads a link whose last extra block runs past the end of the file; we reject it"},
};

std::string OurWineTarget(const ShellLinkInfo& info) {
    std::string local = info.LocalPath();
    return local.empty() ? info.idListPath : local;
}

const char* ClassifyWineGap(const CorpusFile& file, const ShellLinkInfo& info) {
    const std::string ours = info.LocalPath();
    if (info.status != ParseStatus::Ok) return "load";
    if (file.categories.count("linkinfo_unicode_hdr")) return "ansi";
    if (!info.localBasePath.empty() && !info.commonPathSuffix.empty() && file.winePath == info.localBasePath)
        return "suffix";
    if (ours.empty() && !info.NetworkPath().empty() && file.winePath.empty()) return "network-only";
    if (ours.empty() && !file.winePath.empty() && file.winePath == info.relativePath) return "relative";
    if (ours.empty() && file.winePath.empty() && !info.idListPath.empty()) return "idlist-absent";
    if (file.categories.count("non_ascii") || file.winePath.find('?') != std::string::npos) return "codepage";
    return nullptr;
}

TEST(ShellLinkCorpus, AgreesWithIndependentReaders) {
    const std::vector<CorpusFile> files = LoadCorpusList();
    ASSERT_GE(files.size(), 1100u) << "corpus list not found under " << kCorpus;

    std::set<std::pair<std::string, std::string>> usedExpected;  // oracle/field/file
    auto expected = [&](const char* oracle, const char* field, const std::string& file) {
        for (const auto& e : kExpectedDifferences)
            if (std::string(e.oracle) == oracle && std::string(e.field) == field && file == e.file) {
                usedExpected.insert({std::string(oracle) + "/" + field, file});
                return true;
            }
        return false;
    };
    struct Count {
        int compared = 0, agreed = 0, expected = 0;
    };
    std::map<std::string, Count> counts;
    std::map<std::string, int> wineGaps;
    int parsed = 0, rejected = 0;

    for (const CorpusFile& file : files) {
        SCOPED_TRACE(file.path);
        const std::string bytes = ReadFile(kCorpus + "/" + file.path);
        ASSERT_FALSE(bytes.empty());
        const ShellLinkInfo info =
            ParseShellLink(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        ++parsed;
        const bool ok = info.status == ParseStatus::Ok;
        rejected += ok ? 0 : 1;

        // Rejected are exactly the malformed samples: a foreign header is "not a shell link".
        EXPECT_EQ(!ok, file.categories.count("malformed") == 1) << info.error;
        EXPECT_EQ(info.status == ParseStatus::NotShellLink, !file.magicOk);

        const LnkinfoResult lnkinfo = RunLnkinfo(kCorpus + "/" + file.path);
        ASSERT_NE(lnkinfo.exitCode, -1) << "could not run " << QM_LNKINFO;
        ASSERT_NE(lnkinfo.exitCode, 127) << "could not run " << QM_LNKINFO;
        Count& status = counts["lnkinfo status"];
        ++status.compared;
        if ((lnkinfo.exitCode == 0) == ok)
            ++status.agreed;
        else
            ADD_FAILURE() << "lnkinfo exit " << lnkinfo.exitCode << ", ours " << static_cast<int>(info.status);

        auto compare = [&](const char* oracle, const char* field, const std::string& theirs, const std::string& ours) {
            if (theirs.empty() && ours.empty()) return;
            Count& c = counts[std::string(oracle) + " " + field];
            ++c.compared;
            if (theirs == ours)
                ++c.agreed;
            else if (expected(oracle, field, file.path))
                ++c.expected;
            else if (std::string(oracle) == "published" && theirs.empty())
                --c.compared;  // the project gives no value here (it shows one form of LinkInfo)
            else
                ADD_FAILURE() << oracle << " " << field << " differs: theirs \"" << theirs << "\", ours \"" << ours << "\"";
        };
        auto field = [&](const char* name) {
            auto it = lnkinfo.fields.find(name);
            return it == lnkinfo.fields.end() ? std::string() : it->second;
        };
        if (lnkinfo.exitCode == 0 && ok) {
            compare("lnkinfo", "local", field("Local path"), info.LocalPath());
            compare("lnkinfo", "network", field("Network path"), info.NetworkPath());
            compare("lnkinfo", "environment", field("Environment variables location"), info.environmentTarget);
            compare("lnkinfo", "idlist", LnkinfoIdListPath(lnkinfo), info.idListPath);
        }

        const PublishedPaths published = LoadPublished(file.path);
        if (published.present) {
            Count& c = counts["published status"];
            ++c.compared;
            if (ok)
                ++c.agreed;
            else if (expected("published", "status", file.path))
                ++c.expected;
            else if (published.local.empty() && published.network.empty())
                ++c.agreed;  // the project published a record without a target either
            else
                ADD_FAILURE() << "the published result has a path, we reject the file: " << info.error;
            compare("published", "local", published.local, info.LocalPath());
            compare("published", "network", published.network, info.NetworkPath());
        }

        // The IDList and LinkInfo name the same target; only an ANSI base path decoded in the
        // wrong code page (which the reader flags) may tell it differently.
        if (ok && info.idListIsFileSystem && !info.LocalPath().empty()) {
            auto folded = [](std::string text) {
                while (!text.empty() && text.back() == '\\') text.pop_back();
                for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                return text;
            };
            Count& c = counts["own IDList path vs LinkInfo path"];
            ++c.compared;
            if (folded(info.idListPath) == folded(info.LocalPath()))
                ++c.agreed;
            else if (info.localBasePathIsLossy)
                ++c.expected;
            else
                ADD_FAILURE() << "IDList path \"" << info.idListPath << "\" but LinkInfo path \"" << info.LocalPath() << "\"";
        }

        // Wine: GetPath's answer against ours.
        const bool wineLoaded = file.wineResult.find(":load") == std::string::npos;
        Count& wine = counts["wine GetPath vs local, else IDList path"];
        ++wine.compared;
        if (wineLoaded == ok && file.winePath == OurWineTarget(info)) {
            ++wine.agreed;
        } else if (!wineLoaded && !ok) {
            ++wine.agreed;  // both refuse the file
        } else if (const char* gap = ClassifyWineGap(file, info)) {
            ++wine.expected;
            ++wineGaps[gap];
        } else {
            ADD_FAILURE() << "Wine GetPath \"" << file.winePath << "\" (" << file.wineResult << "), ours \""
                          << OurWineTarget(info) << "\"";
        }
        if (!info.LocalPath().empty()) {
            Count& local = counts["wine GetPath, links with a local path"];
            ++local.compared;
            if (file.winePath == info.LocalPath())
                ++local.agreed;
            else
                ++local.expected;  // classified above, or already reported
        }
    }

    for (const auto& e : kExpectedDifferences)
        EXPECT_TRUE(usedExpected.count({std::string(e.oracle) + "/" + e.field, e.file}))
            << "listed difference no longer occurs: " << e.oracle << " " << e.field << " " << e.file;

    std::printf("corpus: %d files parsed, %d rejected\n", parsed, rejected);
    for (const auto& [name, c] : counts)
        std::printf("%-40s agree %4d of %4d, listed differences %d\n", name.c_str(), c.agreed, c.compared, c.expected);
    for (const auto& gap : kWineGaps) {
        EXPECT_GT(wineGaps[gap.name], 0) << "Wine difference class no longer occurs: " << gap.name;
        std::printf("wine gap %-13s %4d  (%s)\n", gap.name, wineGaps[gap.name], gap.reason);
    }
}

// A re-target keeps the property store of every real link that has one: the same values in the
// same order, the application's identity untouched, and each text that changed now naming the
// new target (its path, its folder or its name).
TEST(ShellLinkCorpus, RetargetKeepsEveryPropertyStore) {
    NewTarget target;
    target.path = "D:\\Moved \xC3\x9Cn\xC3\xAF\\new.exe";
    const std::set<std::string> newNames = {target.path, "D:\\Moved \xC3\x9Cn\xC3\xAF", "new.exe"};
    RetargetContext context;
    context.linkFolder = "C:\\Users\\me\\Desktop";
    int kept = 0, values = 0, rewritten = 0;
    for (const CorpusFile& file : LoadCorpusList()) {
        const std::string bytes = ReadFile(kCorpus + "/" + file.path);
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const ShellLinkInfo info = ParseShellLink(data, bytes.size());
        if (info.status != ParseStatus::Ok || !info.hasPropertyStore) continue;
        SCOPED_TRACE(file.path);
        const auto before = ReadPropertyStore(data + info.propertyStoreOffset, info.propertyStoreSize);
        const RetargetResult edited = RetargetShellLink(data, bytes.size(), target, context);
        if (!before || !edited.ok) continue;
        const ShellLinkInfo again = ParseShellLink(edited.bytes.data(), edited.bytes.size());
        ASSERT_TRUE(again.hasPropertyStore);
        const auto after = ReadPropertyStore(edited.bytes.data() + again.propertyStoreOffset, again.propertyStoreSize);
        ASSERT_TRUE(after.has_value());
        ASSERT_EQ(after->size(), before->size());
        ++kept;
        for (size_t i = 0; i < before->size(); ++i) {
            const StoredProperty &was = (*before)[i], &now = (*after)[i];
            ++values;
            EXPECT_TRUE(was.format == now.format && was.id == now.id && was.name == now.name && was.type == now.type) << i;
            if (was.text == now.text) continue;
            ++rewritten;
            EXPECT_TRUE(newNames.count(now.text)) << was.text << " became " << now.text;
            EXPECT_FALSE(was.format == kAppUserModelFormat) << was.text << " became " << now.text;
        }
    }
    std::printf("property stores kept by a re-target: %d, with %d values, %d of them rewritten\n", kept, values, rewritten);
    EXPECT_GE(kept, 600);
    EXPECT_GT(rewritten, 100);
}

}  // namespace
}  // namespace qm::lnk
