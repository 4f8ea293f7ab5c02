#include "platform_crash.h"

// Before the other system headers: they use its types without including it.
#include <windows.h>

#include <shlwapi.h>

#include <atomic>

namespace {

std::atomic<Platform::CrashFilter> s_filter {nullptr};

// Created during static initialisation, deleted when the program ends. The owner is tracked
// beside it because a critical section lets its owner in again.
struct CrashSection
{
    CrashSection() { InitializeCriticalSection(&section); }
    ~CrashSection() { DeleteCriticalSection(&section); }
    CRITICAL_SECTION section;
    std::atomic<DWORD> owner {0};
};
CrashSection s_lock;

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *pointers)
{
    const Platform::CrashFilter filter = s_filter.load(std::memory_order_acquire);
    if (!filter || !pointers || !pointers->ExceptionRecord)
        return EXCEPTION_CONTINUE_SEARCH;
    return filter(Platform::CrashException {pointers->ExceptionRecord->ExceptionCode, pointers});
}

size_t wideLength(const wchar_t *text)
{
    size_t length = 0;
    while (text && text[length] != L'\0')
        ++length;
    return length;
}

} // namespace

namespace Platform {

void installCrashFilter(CrashFilter filter)
{
    s_filter.store(filter, std::memory_order_release);
    SetUnhandledExceptionFilter(&onUnhandledException);
}

void endCrashedProcess(unsigned long code)
{
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    ExitProcess(static_cast<UINT>(code));
}

unsigned int currentProcessId()
{
    return GetCurrentProcessId();
}

unsigned int currentThreadId()
{
    return GetCurrentThreadId();
}

bool currentDirectory(wchar_t *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = L'\0';
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(size), buffer);
    if (length == 0 || length >= size) {
        buffer[0] = L'\0';
        return false;
    }
    return true;
}

bool executableDirectory(wchar_t *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = L'\0';
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= size) {
        buffer[0] = L'\0';
        return false;
    }
    PathRemoveFileSpecW(buffer);
    return true;
}

bool appendPathElement(wchar_t *buffer, size_t size, const wchar_t *element)
{
    // PathAppendW writes at most MAX_PATH characters.
    if (!buffer || size < MAX_PATH)
        return false;
    return PathAppendW(buffer, element) != FALSE;
}

CrashBlockState createCrashBlock(const wchar_t *name, size_t size, CrashBlock *block)
{
    *block = CrashBlock();
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(size), name);
    if (!mapping)
        return CrashBlockState::Failed;
    // A named mapping lives while a handle is open: one that exists belongs to a live process.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return CrashBlockState::Taken;
    }
    block->handle = reinterpret_cast<intptr_t>(mapping);
    block->view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (block->view)
        block->size = size;
    return CrashBlockState::Created;
}

void ignoreTerminationRequests() { }

void closeCrashBlock(const wchar_t *, CrashBlock *block)
{
    if (block->view)
        UnmapViewOfFile(block->view);
    if (block->handle != -1 && block->handle != 0)
        CloseHandle(reinterpret_cast<HANDLE>(block->handle));
    *block = CrashBlock();
}

bool runCrashWriter(const CrashWriterLaunch &launch)
{
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    startup.wShowWindow = SW_HIDE;
    // 0x101: the show-window value, and the standard handles taken over from our own start.
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

    // CreateProcessW may write into its command line; keep the prepared one untouched.
    wchar_t commandLine[2 * 260];
    const size_t length = wideLength(launch.commandLine);
    if (length >= 2 * 260)
        return false;
    for (size_t i = 0; i <= length; ++i)
        commandLine[i] = launch.commandLine[i];

    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessW(launch.program, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, static_cast<DWORD>(launch.timeoutMs));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool enterCrashLock()
{
    const DWORD self = GetCurrentThreadId();
    if (s_lock.owner.load(std::memory_order_acquire) == self)
        return false;
    EnterCriticalSection(&s_lock.section);
    s_lock.owner.store(self, std::memory_order_release);
    return true;
}

void leaveCrashLock()
{
    s_lock.owner.store(0, std::memory_order_release);
    LeaveCriticalSection(&s_lock.section);
}

} // namespace Platform
