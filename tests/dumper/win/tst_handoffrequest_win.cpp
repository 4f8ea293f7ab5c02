// What the Windows writer accepts from its command line and its shared block, run under Wine
// by scripts/test-windows.sh. Prints one line per failing case and a closing count.

#include "crashblock.h"
#include "handoffrequest.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int s_passed = 0;
int s_failed = 0;

void check(bool condition, const char *name, const std::string &detail)
{
    if (condition) {
        ++s_passed;
        return;
    }
    ++s_failed;
    std::printf("FAIL %s: %s\n", name, detail.c_str());
}

struct CommandLineCase
{
    const char *name;
    const wchar_t *commandLine;
    bool accepted;
    const wchar_t *application;
};

const CommandLineCase kCommandLines[] = {
    {"as the hand-off builds it", L" App Mapping_AppDumpData", true, L"App"},
    {"application name with blanks", L" Crash Probe Mapping_Crash ProbeDumpData", true,
     L"Crash Probe"},
    {"application name that looks like a mapping", L" Mapping_ Mapping_Mapping_DumpData", true,
     L"Mapping_"},
    {"empty application name", L"  Mapping_DumpData", true, L""},
    {"by hand", L"mindump.exe App Mapping_AppDumpData", true, L"App"},
    {"by hand, quoted", L"\"C:\\Program Files\\mindump.exe\" \"My App\" \"Mapping_My AppDumpData\"",
     true, L"My App"},
    {"mapping of another application", L" App Mapping_ApxDumpData", false, nullptr},
    {"mapping without its suffix", L" App Mapping_AppDumpDat", false, nullptr},
    {"two blanks between the arguments", L" App  Mapping_AppDumpData", false, nullptr},
    {"no mapping name", L" App", false, nullptr},
    {"a single blank", L" ", false, nullptr},
    {"nothing", L"", false, nullptr},
    {"by hand, one argument", L"mindump.exe Mapping_AppDumpData", false, nullptr},
    {"by hand, three arguments", L"mindump.exe App Mapping_AppDumpData more", false, nullptr},
};

void checkCommandLines()
{
    for (const CommandLineCase &row : kCommandLines) {
        HandoffRequest request;
        std::string error;
        const bool accepted = request.parseCommandLine(row.commandLine, &error);
        check(accepted == row.accepted, row.name, accepted ? "accepted" : "refused: " + error);
        if (accepted && row.accepted) {
            const std::wstring mapping = L"Mapping_" + std::wstring(row.application) + L"DumpData";
            check(request.application() == row.application && request.mappingName() == mapping,
                  row.name, "split at the wrong place");
        }
    }
}

struct BlockCase
{
    const char *name;
    bool create;
    DWORD processId;
    DWORD threadId;
    bool read;
    const char *refusal;
};

void checkBlocks()
{
    const DWORD self = GetCurrentProcessId();
    const DWORD thread = GetCurrentThreadId();
    // The writer only serves the process that started it; these blocks all name someone else.
    const BlockCase cases[] = {
        {"no block", false, 0, 0, false, "no shared block"},
        {"empty block", true, 0, 0, true, "holds no process"},
        {"block naming the writer itself", true, self, thread, true, "is not the one that started"},
        {"block naming a process that does not exist", true, 0xFFFFFFF0u, thread, true,
         "is not running"},
    };
    for (const BlockCase &row : cases) {
        HandoffRequest request;
        std::string error;
        check(request.parseCommandLine(L" BlockTest Mapping_BlockTestDumpData", &error), row.name,
              error);
        HANDLE mapping = nullptr;
        if (row.create) {
            mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         CrashHandoff::kBlockSize, request.mappingName().c_str());
            auto *view = static_cast<unsigned char *>(
                MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, CrashHandoff::kBlockSize));
            check(view != nullptr, row.name, "cannot create the block");
            if (!view)
                continue;
            std::memcpy(view + CrashHandoff::kProcessIdOffset, &row.processId, sizeof(DWORD));
            std::memcpy(view + CrashHandoff::kThreadIdOffset, &row.threadId, sizeof(DWORD));
            UnmapViewOfFile(view);
        }
        const bool read = request.readBlock(&error);
        check(read == row.read, row.name, read ? "read a block" : "no block: " + error);
        if (read) {
            check(request.processId() == row.processId && request.threadId() == row.threadId,
                  row.name, "read other ids");
            check(!request.describesCrashedParent(&error)
                      && error.find(row.refusal) != std::string::npos,
                  row.name, "accepted, or refused for another reason: " + error);
        } else {
            check(error.find(row.refusal) != std::string::npos, row.name, error);
        }
        if (mapping)
            CloseHandle(mapping);
    }
}

} // namespace

int main()
{
    checkCommandLines();
    checkBlocks();
    std::printf("%d passed, %d failed\n", s_passed, s_failed);
    return s_failed == 0 ? 0 : 1;
}
