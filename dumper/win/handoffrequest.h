#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

/// What the crashed process hands to the writer: the application name and the mapping name
/// from the command line, and from the shared block its process id, the id of the thread that
/// raised the exception and the address of the exception-pointers record its filter was given.
class HandoffRequest
{
public:
    /// Splits the command line " <application> Mapping_<application>DumpData" that the crash
    /// hand-off builds: the application name may hold blanks, and since the mapping name
    /// repeats it, their lengths fix where it ends. Started by hand, the line begins with the
    /// program and takes quoted arguments.
    bool parseCommandLine(const std::wstring &commandLine, std::string *error);

    /// Reads the shared block; false with a message when there is none or it is too small.
    bool readBlock(std::string *error);

    /// True when the block names a live process that is our parent (the crashed process starts
    /// its writer itself) and a thread of that process; otherwise false with a message.
    bool describesCrashedParent(std::string *error) const;

    /// How many threads the crashed process has now.
    int threadCount() const;

    const std::wstring &application() const { return m_application; }
    const std::wstring &mappingName() const { return m_mappingName; }
    DWORD processId() const { return m_processId; }
    DWORD threadId() const { return m_threadId; }
    uintptr_t recordAddress() const { return m_recordAddress; }

private:
    std::wstring m_application;
    std::wstring m_mappingName;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
    uintptr_t m_recordAddress = 0;
};
