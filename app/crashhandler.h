#pragma once
// Crash-dump hand-off: when an exception reaches the top of any thread, the filter takes the
// window off the screen, hands the crash to the dump writer "mindump" beside the executable
// through a named shared block and its command line, waits for it, and lets the process end.

#include "crashblock.h"
#include "platform_crash.h"

#include <cstddef>
#include <cstdint>
#include <string>

/// Everything the filter needs at crash time, computed once at installation into fixed-size
/// storage so that the filter allocates nothing. Each item has a copy (the process id is
/// stored twice); the filter refuses to hand off when a pair differs, because then the memory
/// it would hand off from has been overwritten.
struct CrashHandoffState
{
    static constexpr size_t kItemLength = 260;

    wchar_t writerPath[kItemLength];
    wchar_t writerPathCopy[kItemLength];
    uint32_t processId[2];
    wchar_t mappingName[kItemLength];
    wchar_t mappingNameCopy[kItemLength];
    wchar_t commandLine[kItemLength];
};

namespace CrashHandoff {
/// The system's debug-output exceptions; they reach the filter but are no crash.
constexpr unsigned long kDebugOutputCode = 0x40010006;
constexpr unsigned long kDebugOutputWideCode = 0x4001000A;

/// How long the crashed process waits for the writer: long enough for a core of a large
/// process, short enough that its user, who sees no window meanwhile, is not kept waiting
/// (a new start still finds this one's guard until it ends).
constexpr unsigned long kWriterTimeoutMs = 30000;

/// Longest application name used; longer ones are cut so that the mapping name and the
/// writer command line, which both contain it, fit their items whole and still agree.
constexpr size_t kMaxApplicationName = 120;
} // namespace CrashHandoff

/// The process-wide prepared state (written at installation, read by the filter).
CrashHandoffState &crashHandoffState();

/// Prepares the hand-off for the writer "mindump" beside the executable and makes crashFilter
/// the process's handler of unhandled exceptions (an earlier one is replaced). An executable
/// folder whose writer path does not fit the state leaves the hand-off unprepared: the filter
/// then ends the process without starting anything.
void installCrashHandler(const std::wstring &appName);

/// Fills the prepared state from the writer path (cut at 259 characters) and the application
/// name. Returns 0, or -1 when no writer path is given (the state is then left empty).
int prepareHandoff(const wchar_t *writerPath, const wchar_t *appName);

/// The crash filter: 0 for the debug-output codes (continue the search), otherwise 1 (the
/// process ends) after handing the crash to the writer, unless the prepared state is missing,
/// overwritten or belongs to another process. The shared block goes by the prepared mapping
/// name, or, while another live hand-off holds that one, by the name followed by "_<process
/// id>" (in the writer's command line too); it is removed whether or not the writer ended in
/// time. A thread faulting again inside the filter ends the process at once.
long crashFilter(const Platform::CrashException &exception);

/// Starts the writer and waits for it, at most kWriterTimeoutMs. 0 when it was started,
/// -2 when it could not be started.
int startDumper();
