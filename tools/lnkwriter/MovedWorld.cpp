#include "tools/lnkwriter/MovedWorld.h"

namespace qm::lnkwriter {

namespace {

constexpr uint64_t kBaseTime = 0x01D9000000000000ull;
constexpr uint64_t kHour = 3600ull * 10'000'000ull;

std::string N(uint32_t i) { return std::to_string(i); }

// Where a shortcut's target was, where it went, and a folder the subtree search walks through
// on its way (where the decoys go).
struct Move {
    std::string before, after, decoyFolder;
};

Move MoveFor(MoveKind kind, uint32_t i) {
    const std::string n = N(i);
    switch (kind) {
        case MoveKind::ProgramFiles: {
            const bool toX86 = i % 2 == 0;
            const std::string from = toX86 ? "C:\\Program Files" : "C:\\Program Files (x86)";
            const std::string to = toX86 ? "C:\\Program Files (x86)" : "C:\\Program Files";
            const std::string rest = "\\Vendor " + n + "\\App\\app" + n + ".exe";
            return {from + rest, to + rest, from + "\\Leftovers " + n};
        }
        case MoveKind::Profile:
            if (i % 2 == 0) {
                return {"C:\\Users\\Old" + n + "\\Documents\\doc" + n + ".docx",
                        "C:\\Users\\New" + N(i % 3) + "\\Documents\\doc" + n + ".docx", "C:\\Users\\Ann\\Downloads\\d" + n};
            }
            return {"C:\\Documents and Settings\\User" + n + "\\My Documents\\doc" + n + ".docx",
                    "C:\\Users\\User" + n + "\\Documents\\doc" + n + ".docx", "C:\\Users\\Ann\\Downloads\\d" + n};
        case MoveKind::OtherDrive:
            return {"C:\\Data" + n + "\\Sub\\file" + n + ".dat", std::string(1, kOtherFixedDrive) + ":\\Data" + n + "\\Sub\\file" + n + ".dat",
                    "C:\\Archive" + n};
        case MoveKind::VersionFolder:
            return {"C:\\Tools\\Tool" + n + " 1.4\\bin\\tool" + n + ".exe", "C:\\Tools\\Tool" + n + " 1.5\\bin\\tool" + n + ".exe",
                    "C:\\Tools\\Backup" + n};
        case MoveKind::Subfolder:
            return {"C:\\Users\\Ann\\Documents\\Project" + n + "\\note" + n + ".txt",
                    "C:\\Users\\Ann\\Documents\\Project" + n + "\\Archive\\2024\\note" + n + ".txt",
                    "C:\\Users\\Ann\\Documents\\Project" + n + "\\Old"};
        case MoveKind::Count: break;
    }
    return {};
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }
std::string OnDrive(char drive, std::string path) {
    path[0] = drive;
    return path;
}

}  // namespace

const char* MoveKindName(MoveKind kind) {
    switch (kind) {
        case MoveKind::ProgramFiles: return "Program Files swapped";
        case MoveKind::Profile: return "another profile";
        case MoveKind::OtherDrive: return "another fixed drive";
        case MoveKind::VersionFolder: return "renamed version folder";
        case MoveKind::Subfolder: return "into a subfolder";
        case MoveKind::Count: break;
    }
    return "?";
}

const char* DecoyName(Decoy decoy) {
    switch (decoy) {
        case Decoy::None: return "none";
        case Decoy::OtherSize: return "same name, other size";
        case Decoy::OtherTime: return "same name, other time";
        case Decoy::TwoEqual: return "two equal candidates";
        case Decoy::OnRemovable: return "equal copy on a removable drive";
        case Decoy::OnlyOnRemovable: return "moved to a removable drive only";
        case Decoy::Updated: return "moved and changed";
        case Decoy::Count: break;
    }
    return "?";
}

MovedWorld GenerateMovedWorld(const MovedWorldShape& shape) {
    MovedWorld world;
    world.environment["programfiles"] = "C:\\Program Files";
    world.environment["programfiles(x86)"] = "C:\\Program Files (x86)";
    world.environment["userprofile"] = "C:\\Users\\Ann";
    auto folder = [&](const std::string& path) { world.items.push_back({path, true, 0, kBaseTime}); };
    auto file = [&](const std::string& path, uint64_t size, uint64_t time) { world.items.push_back({path, false, size, time}); };

    for (const char* path : {"C:\\Program Files", "C:\\Program Files (x86)", "C:\\Users\\Ann\\Documents", "C:\\Users\\Ann\\Downloads",
                             "C:\\Tools", "D:\\", "E:\\"}) {
        folder(path);
    }
    // Unrelated folders with unrelated files, where the subtree searches must look.
    const char* const fillerRoots[] = {"C:\\Program Files", "C:\\Program Files (x86)", "C:\\Users\\Ann\\Documents", "C:\\Tools",
                                       "C:", "D:"};
    for (uint32_t f = 0; f < shape.fillerFolders; ++f) {
        const std::string base = std::string(fillerRoots[f % 6]) + "\\Filler " + N(f / 6);
        const std::string path = (f % 4 == 3) ? base + "\\Nested\\Deeper" : base;
        folder(path);
        file(path + "\\readme" + N(f) + ".txt", 100 + f, kBaseTime + f * kHour);
    }

    for (int k = 0; k < static_cast<int>(MoveKind::Count); ++k) {
        const MoveKind kind = static_cast<MoveKind>(k);
        for (uint32_t i = 0; i < shape.perKind; ++i) {
            const Decoy decoy = static_cast<Decoy>(i % static_cast<uint32_t>(Decoy::Count));
            const Move move = MoveFor(kind, i);
            const uint64_t size = 1000 + 1000 * k + 13 * i;
            const uint64_t time = kBaseTime + (k * 1000 + i) * 24 * kHour;
            const std::string name = NameOf(move.before);

            MovedLink link;
            link.kind = kind;
            link.decoy = decoy;
            link.link.localBasePath = move.before;
            link.link.targetSize = static_cast<uint32_t>(size);
            link.link.targetWriteTime = time;
            link.link.description = std::string(MoveKindName(kind)) + ", decoy: " + DecoyName(decoy);
            if (i % 3 == 0) {  // some carry tracker data, as shortcuts made on Windows do
                link.link.trackerMachine = "ws-ann";
                link.link.trackerObjectId[0] = static_cast<unsigned char>(k + 1);
                link.link.trackerObjectId[1] = static_cast<unsigned char>(i);
            }
            link.truth = move.after;
            // The folder the target was in stays where the move leaves it (a subfolder move, a
            // profile that still holds other files).
            if (kind == MoveKind::Subfolder) file(move.before.substr(0, move.before.find_last_of('\\')) + "\\readme.txt", 10, time);

            switch (decoy) {
                case Decoy::None: break;
                case Decoy::OtherSize: file(move.decoyFolder + "\\" + name, size + 100, time); break;
                case Decoy::OtherTime: file(move.decoyFolder + "\\" + name, size, time + kHour); break;
                case Decoy::TwoEqual:
                    file(move.decoyFolder + "\\" + name, size, time);
                    link.certainAllowed = false;
                    break;
                case Decoy::OnRemovable: file(OnDrive(kRemovableDrive, move.after), size, time); break;
                case Decoy::OnlyOnRemovable:
                    file(OnDrive(kRemovableDrive, move.before), size, time);
                    link.truth.clear();
                    link.certainAllowed = false;
                    break;
                case Decoy::Updated: link.certainAllowed = false; break;
                case Decoy::Count: break;
            }
            if (!link.truth.empty()) {
                const bool updated = decoy == Decoy::Updated;
                file(link.truth, updated ? size + 7 : size, updated ? time + 24 * kHour : time);
            }
            world.links.push_back(std::move(link));
        }
    }
    return world;
}

}  // namespace qm::lnkwriter
