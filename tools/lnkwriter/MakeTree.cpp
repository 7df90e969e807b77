// make_lnk_tree: writes a synthetic tree for the scan benchmark and prints what it holds.
//   make_lnk_tree ROOT WINDOWS_ROOT [FOLDERS FILES LINKS [ABSENT_DRIVE]]
// The links expected to be reported are written to ROOT/../<name>.expected, one per line.
#include "tools/lnkwriter/TreeGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_lnk_tree ROOT WINDOWS_ROOT [FOLDERS FILES LINKS [ABSENT_DRIVE]]\n");
        return 1;
    }
    qm::lnkwriter::TreeShape shape;
    shape.root = argv[1];
    shape.windowsRoot = argv[2];
    if (argc >= 6) {
        shape.folders = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
        shape.files = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
        shape.links = static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 10));
    }
    if (argc >= 7) shape.absentDrive = argv[6][0];
    try {
        qm::lnkwriter::TreeResult tree = qm::lnkwriter::GenerateTree(shape);
        std::filesystem::path expected = shape.root;
        expected += ".expected";
        std::ofstream out(expected, std::ios::binary);
        for (const std::string& path : tree.broken) out << path << "\n";
        std::printf("%llu folders, %llu files, %llu links (%zu broken) in %s\n", (unsigned long long)tree.folders,
                    (unsigned long long)tree.files, (unsigned long long)tree.links, tree.broken.size(), argv[1]);
        for (int k = 0; k < static_cast<int>(qm::lnkwriter::LinkKind::Count); ++k) {
            std::printf("  %-36s %llu\n", qm::lnkwriter::KindName(static_cast<qm::lnkwriter::LinkKind>(k)),
                        (unsigned long long)tree.perKind[k]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_lnk_tree: %s\n", error.what());
        return 1;
    }
    return 0;
}
