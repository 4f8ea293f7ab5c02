#pragma once
// Operating-system services of the crash hand-off, declared once; crash_posix.cpp and
// crash_win.cpp implement them. Everything here that runs at crash time is async-signal-safe
// and allocates nothing: it may run inside a fault handler, on a corrupted heap.

#include <cstddef>
#include <cstdint>

namespace Platform {

/// What the system reports about an unhandled exception: its code (an exception code on
/// Windows, the signal number on POSIX) and the address of the record the system handed to
/// the handler (the exception-pointers record on Windows, the siginfo_t on POSIX).
struct CrashException
{
    unsigned long code = 0;
    const void *record = nullptr;
};

/// The process-wide crash filter: 0 continues the search for a handler, 1 lets the process end.
using CrashFilter = long (*)(const CrashException &exception);

/// Makes filter the handler of every unhandled exception of the process, replacing (not
/// chaining) an earlier one. On POSIX this covers SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT,
/// handled on an alternate stack, and std::terminate; once the filter returns, the process ends
/// with the status of the original signal.
void installCrashFilter(CrashFilter filter);

/// Ends the process at once, as the exception with this code would have, without running any
/// handler again (used when a thread faults inside the filter itself).
[[noreturn]] void endCrashedProcess(unsigned long code);

unsigned int currentProcessId();
unsigned int currentThreadId();

/// The current directory into buffer (at most size - 1 characters plus terminator); false when
/// it cannot be read or does not fit.
bool currentDirectory(wchar_t *buffer, size_t size);

/// The folder of the running executable into buffer, the same way.
bool executableDirectory(wchar_t *buffer, size_t size);

/// Appends element to the path in buffer with the system's separator, never writing past size
/// characters; false when the result had to be cut.
bool appendPathElement(wchar_t *buffer, size_t size, const wchar_t *element);

/// A named shared block created at crash time for the dump writer.
struct CrashBlock
{
    intptr_t handle = -1;
    void *view = nullptr;
    size_t size = 0;
};

enum class CrashBlockState { Created, Taken, Failed };

/// Creates the shared block called name with size bytes, read-write, for this process alone,
/// and maps it. Taken: a block of that name exists and a live hand-off may use it; it is left
/// alone. A block left by a process that no longer runs is taken over instead. With Created,
/// block->handle is set, and block->view when the block is also mapped.
CrashBlockState createCrashBlock(const wchar_t *name, size_t size, CrashBlock *block);
/// Unmaps and releases the block; once released the name no longer exists.
void closeCrashBlock(const wchar_t *name, CrashBlock *block);

/// Requests to end the process (SIGTERM, SIGINT, SIGHUP, SIGQUIT on POSIX) are ignored from
/// now on, so that a hand-off under way still removes its block.
void ignoreTerminationRequests();

/// Prepares, at start-up, taking window off the screen at crash time (on X11 through a display
/// connection of its own). False when the window system offers no way.
bool prepareCrashWindowHiding(uintptr_t window);
/// Takes the prepared window off the screen without waiting for it; async-signal-safe.
void hideCrashWindow();

/// The dump writer to start: program path, its command line (" <application> <mapping name>",
/// which begins with a blank) and the mapping name, which ends the command line; POSIX splits
/// the line into its two arguments with it, so an application name with blanks stays whole.
struct CrashWriterLaunch
{
    const wchar_t *program = nullptr;
    const wchar_t *commandLine = nullptr;
    const wchar_t *mappingName = nullptr;
    unsigned long timeoutMs = 0;
};

/// Starts the writer hidden, with the current environment and directory, allows it to inspect
/// this process, and waits until it ends or the timeout passes. False when it could not start.
bool runCrashWriter(const CrashWriterLaunch &launch);

/// The crash filter's process-wide lock, safe to take inside a signal handler. Threads pass
/// one at a time; a thread that already holds it (it faulted inside the filter) is refused at
/// once instead of waiting for itself: enterCrashLock then returns false.
bool enterCrashLock();
void leaveCrashLock();

} // namespace Platform
