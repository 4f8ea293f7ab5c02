#pragma once

#include <windows.h>

#include <string>

/// The short text beside a minidump: which program crashed, where, how and when.
struct MinidumpSummary
{
    std::wstring application;
    std::wstring commandLine;
    std::wstring program;
    DWORD processId = 0;
    DWORD threadId = 0;
    int threadCount = 0;
    bool hasException = false;
    DWORD exceptionCode = 0;
    uintptr_t exceptionAddress = 0;
    SYSTEMTIME time {};
    std::wstring dumpFile;
    /// Empty when the dump was written, else what went wrong.
    std::string dumpProblem;

    std::string text() const;
    bool write(const std::wstring &path, std::string *error) const;
};
