// The test-data writer against two independent readers: ours (suite/lnk) and, in the native
// build, Debian's lnkinfo. A writer that only agrees with itself would prove nothing.
#include "suite/lnk/ShellLink.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include "tests/support/ScratchDirectory.h"
#endif

namespace qm::lnkwriter {
namespace {

struct Case {
    const char* what;
    LinkFields shape;
    // What a reader must find.
    std::string localPath, networkPath, idListPath, environmentTarget;
    bool darwin = false;
    bool idListFileSystem = false;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    {
        Case c;
        c.what = "local path, fixed drive";
        c.shape.localBasePath = "C:\\Program Files\\App\\app.exe";
        c.shape.relativePath = "..\\..\\Program Files\\App\\app.exe";
        c.shape.workingDir = "C:\\Program Files\\App";
        c.localPath = "C:\\Program Files\\App\\app.exe";
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "base path and suffix, Unicode names";
        c.shape.localBasePath = "C:\\Users\\J\xC3\xBCrgen\\";
        c.shape.commonPathSuffix = "\xE6\x97\xA5\xE6\x9C\xAC\\\xE2\x98\x85.txt";
        c.shape.description = "caf\xC3\xA9";
        c.localPath = "C:\\Users\\J\xC3\xBCrgen\\\xE6\x97\xA5\xE6\x9C\xAC\\\xE2\x98\x85.txt";
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "network share";
        c.shape.netName = "\\\\server\\share";
        c.shape.commonPathSuffix = "docs\\plan.txt";
        c.networkPath = "\\\\server\\share\\docs\\plan.txt";
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "IDList only";
        c.shape.idListPath = "D:\\Games\\\xC3\x89t\xC3\xA9\\\xF0\x9F\x93\x81\\run.exe";  // outside the BMP too
        c.idListPath = c.shape.idListPath;
        c.idListFileSystem = true;
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "control panel object";
        c.shape.idListControlPanel = true;
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "environment target";
        c.shape.localBasePath = "C:\\Windows\\notepad.exe";
        c.shape.environmentTarget = "%windir%\\notepad.exe";
        c.localPath = c.shape.localBasePath;
        c.environmentTarget = c.shape.environmentTarget;
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "advertised";
        c.shape.idListPath = "C:\\Windows\\Installer\\{A}\\icon.exe";
        c.shape.darwinId = "w_1^VX!!!!!!!!!MKKSkEXCELFiles>tW{~$4Q]c@II=l2xaTO5Z";
        c.idListPath = c.shape.idListPath;
        c.idListFileSystem = true;
        c.darwin = true;
        cases.push_back(c);
    }
    {
        Case c;
        c.what = "the evidence for a moved target: size, write time, tracker";
        c.shape.localBasePath = "C:\\Tools\\App 1.2\\app.exe";
        c.shape.targetSize = 123456;
        c.shape.targetWriteTime = 0x01D9A0B1C2D3E4F5ull;
        c.shape.trackerMachine = "ws-ann";
        for (unsigned char i = 0; i < 16; ++i) {
            c.shape.trackerVolumeId[i] = i;
            c.shape.trackerObjectId[i] = static_cast<unsigned char>(0xA0 + i);
        }
        c.localPath = c.shape.localBasePath;
        cases.push_back(c);
    }
    return cases;
}

TEST(LinkWriter, OurReaderReadsWhatItWrites) {
    for (const Case& c : Cases()) {
        std::vector<unsigned char> bytes = BuildLink(c.shape);
        lnk::ShellLinkInfo info = lnk::ParseShellLink(bytes.data(), bytes.size());
        ASSERT_EQ(info.status, lnk::ParseStatus::Ok) << c.what << ": " << info.error;
        EXPECT_EQ(info.LocalPath(), c.localPath) << c.what;
        EXPECT_EQ(info.NetworkPath(), c.networkPath) << c.what;
        EXPECT_EQ(info.idListPath, c.idListPath) << c.what;
        EXPECT_EQ(info.idListIsFileSystem, c.idListFileSystem) << c.what;
        EXPECT_EQ(info.environmentTarget, c.environmentTarget) << c.what;
        EXPECT_EQ(info.isDarwin, c.darwin) << c.what;
        EXPECT_EQ(info.relativePath, c.shape.relativePath) << c.what;
        EXPECT_EQ(info.name, c.shape.description) << c.what;
        EXPECT_EQ(info.driveSerialNumber, c.localPath.empty() ? 0u : c.shape.driveSerialNumber) << c.what;
        EXPECT_EQ(info.fileSize, c.shape.targetSize) << c.what;
        EXPECT_EQ(info.writeTime, c.shape.targetWriteTime ? c.shape.targetWriteTime : 0x01D5C03BB4E6C000ull) << c.what;
        EXPECT_EQ(info.hasTracker, !c.shape.trackerMachine.empty()) << c.what;
        EXPECT_EQ(info.trackerMachineId, c.shape.trackerMachine) << c.what;
        if (info.hasTracker) {
            EXPECT_EQ(info.trackerVolumeId, c.shape.trackerVolumeId) << c.what;
            EXPECT_EQ(info.trackerObjectId, c.shape.trackerObjectId) << c.what;
            EXPECT_EQ(info.trackerBirthObjectId, c.shape.trackerObjectId) << c.what;
        }
    }
}

#ifndef _WIN32
// Runs Debian's lnkinfo on the file and returns its report.
std::string LnkInfoReport(const std::filesystem::path& file) {
    std::string command = "lnkinfo '" + file.string() + "' 2>&1";
    std::string report;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) report.append(chunk, n);
        ::pclose(pipe);
    }
    return report;
}

TEST(LinkWriter, DebiansLnkinfoReadsWhatItWrites) {
    if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    const test::ScratchDirectory scratch("qm-lnkwriter");
    ASSERT_FALSE(scratch.Path().empty());
    const std::filesystem::path& folder = scratch.Path();
    int index = 0;
    for (const Case& c : Cases()) {
        std::filesystem::path file = folder / ("case" + std::to_string(index++) + ".lnk");
        std::vector<unsigned char> bytes = BuildLink(c.shape);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::string report = LnkInfoReport(file);
        EXPECT_EQ(report.find("Error"), std::string::npos) << c.what << "\n" << report;
        if (!c.localPath.empty()) EXPECT_NE(report.find("Local path\t\t\t: " + c.localPath), std::string::npos) << c.what << "\n" << report;
        if (!c.networkPath.empty()) EXPECT_NE(report.find(c.shape.netName), std::string::npos) << c.what << "\n" << report;
        if (!c.environmentTarget.empty()) EXPECT_NE(report.find(c.environmentTarget), std::string::npos) << c.what << "\n" << report;
        if (!c.shape.relativePath.empty()) EXPECT_NE(report.find(c.shape.relativePath), std::string::npos) << c.what << "\n" << report;
        if (c.shape.targetSize) {
            EXPECT_NE(report.find("File size\t\t\t: " + std::to_string(c.shape.targetSize) + " bytes"), std::string::npos) << report;
        }
        if (!c.shape.trackerMachine.empty()) {
            EXPECT_NE(report.find("Machine identifier\t\t: " + c.shape.trackerMachine), std::string::npos) << report;
            EXPECT_NE(report.find("Droid file identifier\t\t: a3a2a1a0-a5a4-a7a6-a8a9-aaabacadaeaf"), std::string::npos) << report;
        }
    }
}
#endif

}  // namespace
}  // namespace qm::lnkwriter
