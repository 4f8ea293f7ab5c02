// mindump <application> <mapping name>, the Windows writer: reads the shared block of the
// crashed process that started it, writes a minidump of that process with its exception and a
// short summary beside it, under %LOCALAPPDATA%\Tapwise\crashes.

#include "handoffrequest.h"
#include "minidumpsummary.h"
#include "utf8.h"

// Before the other system headers: they use its types without including it.
#include <windows.h>

#include <dbghelp.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

enum ExitCode { kDone = 0, kUsage = 1, kNoCrash = 2, kNotOpened = 3, kNotWritten = 4 };

// Keeps disk use bounded: older dumps beyond this many are removed with their summaries.
constexpr size_t kKeptDumps = 10;

void report(const std::string &message)
{
    std::fprintf(stderr, "mindump: %s\n", message.c_str());
}

// Created if needed; empty when that fails.
std::wstring crashFolder()
{
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, base)))
        return std::wstring();
    std::wstring path = base;
    for (const wchar_t *part : {L"\\Tapwise", L"\\crashes"}) {
        path += part;
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return std::wstring();
    }
    return path;
}

void pruneDumps(const std::wstring &folder)
{
    std::vector<std::pair<ULONGLONG, std::wstring>> dumps;
    WIN32_FIND_DATAW found {};
    const HANDLE search = FindFirstFileW((folder + L"\\*.dmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const ULONGLONG written =
            (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32)
            | found.ftLastWriteTime.dwLowDateTime;
        dumps.emplace_back(written, found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (dumps.size() <= kKeptDumps)
        return;
    std::sort(dumps.begin(), dumps.end(), std::greater<>());
    for (size_t i = kKeptDumps; i < dumps.size(); ++i) {
        const std::wstring dump = folder + L"\\" + dumps[i].second;
        DeleteFileW(dump.c_str());
        DeleteFileW((dump.substr(0, dump.size() - 4) + L".txt").c_str());
    }
}

// "<application>-<yyyyMMdd-HHmmss>-<pid>", with anything but plain characters replaced.
std::wstring baseName(const std::wstring &application, DWORD processId, const SYSTEMTIME &time)
{
    std::wstring name;
    for (const wchar_t c : application.substr(0, 64)) {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')
            || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' || c == L'.';
        name += plain ? c : L'_';
    }
    if (name.empty() || name[0] == L'.')
        name.insert(0, L"crash");
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"-%04u%02u%02u-%02u%02u%02u-%lu", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, static_cast<unsigned long>(processId));
    return name + stamp;
}

// The record the crashed process's filter was given, read from that process.
bool readException(HANDLE process, uintptr_t address, EXCEPTION_RECORD *record)
{
    EXCEPTION_POINTERS pointers {};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void *>(address), &pointers,
                           sizeof pointers, &got)
        || got != sizeof pointers || !pointers.ExceptionRecord)
        return false;
    return ReadProcessMemory(process, pointers.ExceptionRecord, record, sizeof *record, &got)
        && got == sizeof *record;
}

std::wstring programPath(HANDLE process)
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size)
                                                               : std::wstring();
}

} // namespace

int main()
{
    MinidumpSummary summary;
    summary.commandLine = GetCommandLineW();
    std::string error;
    HandoffRequest request;
    if (!request.parseCommandLine(summary.commandLine, &error)) {
        report(error);
        return kUsage;
    }
    if (!request.readBlock(&error) || !request.describesCrashedParent(&error)) {
        report(error);
        return kNoCrash;
    }

    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, request.processId());
    if (!process) {
        report("cannot open process " + std::to_string(request.processId()) + " (error "
               + std::to_string(GetLastError()) + ")");
        return kNotOpened;
    }

    const std::wstring folder = crashFolder();
    if (folder.empty()) {
        report("cannot create the crash folder");
        CloseHandle(process);
        return kNotWritten;
    }

    summary.application = request.application();
    summary.program = programPath(process);
    summary.processId = request.processId();
    summary.threadId = request.threadId();
    summary.threadCount = request.threadCount();
    GetLocalTime(&summary.time);
    EXCEPTION_RECORD record {};
    summary.hasException = readException(process, request.recordAddress(), &record);
    if (summary.hasException) {
        summary.exceptionCode = record.ExceptionCode;
        summary.exceptionAddress = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    }
    const std::wstring base =
        folder + L"\\" + baseName(request.application(), request.processId(), summary.time);
    summary.dumpFile = base + L".dmp";

    const HANDLE file = CreateFileW(summary.dumpFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        summary.dumpProblem =
            "cannot create the dump file (error " + std::to_string(GetLastError()) + ")";
    } else {
        // The pointers are the crashed process's: dbghelp reads them from there.
        MINIDUMP_EXCEPTION_INFORMATION exception {};
        exception.ThreadId = request.threadId();
        exception.ExceptionPointers =
            reinterpret_cast<EXCEPTION_POINTERS *>(request.recordAddress());
        exception.ClientPointers = TRUE;
        const BOOL written =
            MiniDumpWriteDump(process, request.processId(), file, MiniDumpNormal,
                              summary.hasException ? &exception : nullptr, nullptr, nullptr);
        if (!written)
            summary.dumpProblem =
                "MiniDumpWriteDump failed (error " + std::to_string(GetLastError()) + ")";
        CloseHandle(file);
        if (!written)
            DeleteFileW(summary.dumpFile.c_str());
    }
    CloseHandle(process);

    if (!summary.dumpProblem.empty())
        report(summary.dumpProblem);
    if (!summary.write(base + L".txt", &error))
        report(error);
    pruneDumps(folder);
    if (!summary.dumpProblem.empty())
        return kNotWritten;
    report("minidump written to " + toUtf8(summary.dumpFile));
    return kDone;
}
