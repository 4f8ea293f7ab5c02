#include "minidumpsummary.h"

#include "utf8.h"

#include <cstdio>

std::string MinidumpSummary::text() const
{
    char line[160];
    std::string text = "Program: " + toUtf8(program) + " (" + toUtf8(application) + ")\n";
    // Quoted: it begins with a blank, and what the writer was given is worth seeing exactly.
    text += "Command line: \"" + toUtf8(commandLine) + "\"\n";
    std::snprintf(line, sizeof line, "Process id: %lu\nThread id: %lu\n",
                  static_cast<unsigned long>(processId), static_cast<unsigned long>(threadId));
    text += line;
    if (hasException)
        std::snprintf(line, sizeof line, "Exception: 0x%08lX at 0x%llX\n",
                      static_cast<unsigned long>(exceptionCode),
                      static_cast<unsigned long long>(exceptionAddress));
    else
        std::snprintf(line, sizeof line, "Exception: unknown\n");
    text += line;
    std::snprintf(line, sizeof line, "Time: %04u-%02u-%02uT%02u:%02u:%02u\nThreads: %d\n",
                  time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                  threadCount);
    text += line;
    text += "Dump: " + toUtf8(dumpFile) + "\n";
    if (!dumpProblem.empty())
        text += "Dump problem: " + dumpProblem + "\n";
    return text;
}

bool MinidumpSummary::write(const std::wstring &path, std::string *error) const
{
    const std::string content = text();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = "cannot write " + toUtf8(path) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    const bool complete =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr)
        && written == content.size();
    CloseHandle(file);
    if (!complete)
        *error = "cannot write " + toUtf8(path);
    return complete;
}
