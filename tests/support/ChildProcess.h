// Runs a program to its end with its standard output and error captured, for the tests and
// benchmarks that start the console scanner. Both pipes are read at once (standard error on a
// thread of its own), so a child that fills either one never blocks.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

#include <string>
#include <thread>

namespace qm::test {

struct ProcessRun {
    bool started = false;
    DWORD exitCode = 0xFFFFFFFF;  // stays so when the program could not be started
    std::string out, err;
};

inline std::string ReadToEnd(HANDLE pipe) {
    std::string text;
    char chunk[65536];
    DWORD read = 0;
    while (::ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) && read) text.append(chunk, read);
    return text;
}

// `commandLine` is the whole command line, the program's path quoted where it needs to be.
inline ProcessRun RunProcess(std::wstring commandLine) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return run;
    KernelHandle outR(outRead), outW(outWrite);
    if (!::CreatePipe(&errRead, &errWrite, &inherit, 0)) return run;
    KernelHandle errR(errRead), errW(errWrite);
    // Only the child's ends are inherited.
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return run;
    run.started = true;
    KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    // Our copies of the child's ends closed, each read ends when the child's last handle goes.
    outW.Reset();
    errW.Reset();
    std::thread errReader([&run, errRead] { run.err = ReadToEnd(errRead); });
    run.out = ReadToEnd(outRead);
    errReader.join();
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    return run;
}

}  // namespace qm::test
