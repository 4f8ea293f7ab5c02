// A Windows program that installs the crash hand-off like the shell does and then crashes on
// purpose. crashchild <mode> <application name>; before crashing it writes
// "<pid> <crashing thread id> <main thread id>" to child.txt in the working directory.
//   main    writes to an unmapped address on the main thread (an access violation)
//   thread  raises kThreadExceptionCode on a second thread while the main thread waits for it
//   debug   raises the debug-output exception unhandled on the main thread: no crash, so the
//           filter hands nothing off and the search for a handler goes on
// Exit code 3 means the process outlived its crash.

#include "crashhandler.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kThreadExceptionCode = 0xE0C0FFEE;
constexpr DWORD kSurvivalWaitMs = 60000;
constexpr int kSurvived = 3;

int *volatile s_unmapped = reinterpret_cast<int *>(0x10);
DWORD s_mainThread = 0;

void recordCrashingThread()
{
    std::FILE *file = std::fopen("child.txt", "w");
    if (!file)
        return;
    std::fprintf(file, "%lu %lu %lu\n", GetCurrentProcessId(), GetCurrentThreadId(), s_mainThread);
    std::fclose(file);
}

__attribute__((noinline)) void crashOnMainThread()
{
    recordCrashingThread();
    *s_unmapped = 42;
}

DWORD WINAPI crashOnSecondThread(void *)
{
    recordCrashingThread();
    const ULONG_PTR arguments[2] = {1, 2};
    RaiseException(kThreadExceptionCode, EXCEPTION_NONCONTINUABLE, 2, arguments);
    return 0;
}

__attribute__((noinline)) void raiseDebugOutput()
{
    recordCrashingThread();
    const char text[] = "not a crash";
    const ULONG_PTR arguments[2] = {sizeof text, reinterpret_cast<ULONG_PTR>(text)};
    RaiseException(CrashHandoff::kDebugOutputCode, 0, 2, arguments);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crashchild main|thread|debug <application name>\n");
        return 2;
    }
    s_mainThread = GetCurrentThreadId();
    const std::string name = argv[2];
    installCrashHandler(std::wstring(name.begin(), name.end()));

    if (std::strcmp(argv[1], "main") == 0) {
        crashOnMainThread();
    } else if (std::strcmp(argv[1], "thread") == 0) {
        const HANDLE thread = CreateThread(nullptr, 0, &crashOnSecondThread, nullptr, 0, nullptr);
        if (!thread)
            return 2;
        WaitForSingleObject(thread, kSurvivalWaitMs);
        CloseHandle(thread);
    } else if (std::strcmp(argv[1], "debug") == 0) {
        raiseDebugOutput();
    } else {
        return 2;
    }
    return kSurvived;
}
