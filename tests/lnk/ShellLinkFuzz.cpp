// libFuzzer target for the shell-link reader and editor. Besides the sanitizers' checks it asserts what
// callers rely on: a status that matches the error text, and well-formed UTF-8 in every field.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Utf.h"
#include "suite/lnk/ShellLink.h"
#include "suite/lnk/ShellLinkEditor.h"

namespace {

void RequireUtf8(const std::string& text) {
    if (qm::Utf16ToUtf8(qm::Utf8ToUtf16(text)) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qm::lnk::ShellLinkInfo info = qm::lnk::ParseShellLink(data, size);
    if ((info.status == qm::lnk::ParseStatus::Malformed) == info.error.empty()) std::abort();
    for (const std::string* text :
         {&info.volumeLabel, &info.localBasePath, &info.netName, &info.deviceName, &info.commonPathSuffix, &info.name,
          &info.relativePath, &info.workingDir, &info.arguments, &info.iconLocation, &info.idListPath,
          &info.environmentTarget, &info.darwinData, &info.trackerMachineId})
        RequireUtf8(*text);
    RequireUtf8(info.LocalPath());
    RequireUtf8(info.NetworkPath());
    if (info.idListIsFileSystem == info.idListPath.empty()) std::abort();

    // The editor accepts exactly the well-formed links, and what it writes reads back as a link
    // to the new target.
    qm::lnk::NewTarget target;
    target.path = "C:\\Ünï\\new.exe";
    qm::lnk::RetargetContext context;
    context.linkFolder = "C:\\Users\\me";
    context.folderExists = [](const std::string&) { return false; };
    const qm::lnk::RetargetResult edited = qm::lnk::RetargetShellLink(data, size, target, context);
    if (edited.ok && info.status != qm::lnk::ParseStatus::Ok) std::abort();
    if (edited.ok) {
        const qm::lnk::ShellLinkInfo again = qm::lnk::ParseShellLink(edited.bytes.data(), edited.bytes.size());
        if (again.status != qm::lnk::ParseStatus::Ok || qm::lnk::LinkTargetPath(again) != target.path) std::abort();
    }
    return 0;
}
