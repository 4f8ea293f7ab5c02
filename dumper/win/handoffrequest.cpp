#include "handoffrequest.h"

#include "crashblock.h"
#include "utf8.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstring>

namespace {

const std::wstring kMappingPrefix = L"Mapping_";
const std::wstring kMappingSuffix = L"DumpData";

// Closes a handle when leaving the scope.
struct ScopedHandle
{
    explicit ScopedHandle(HANDLE value)
        : handle(value)
    { }
    ~ScopedHandle()
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    ScopedHandle(const ScopedHandle &) = delete;
    ScopedHandle &operator=(const ScopedHandle &) = delete;
    HANDLE handle;
};

} // namespace

bool HandoffRequest::parseCommandLine(const std::wstring &commandLine, std::string *error)
{
    std::wstring application;
    if (!commandLine.empty() && commandLine[0] == L' ') {
        // As the hand-off builds it: the mapping name's length fixes where the name ends.
        const size_t fixed = 1 + 1 + kMappingPrefix.size() + kMappingSuffix.size();
        if (commandLine.size() >= fixed && (commandLine.size() - fixed) % 2 == 0) {
            const size_t length = (commandLine.size() - fixed) / 2;
            application = commandLine.substr(1, length);
            if (commandLine[1 + length] == L' ')
                m_mappingName = commandLine.substr(1 + length + 1);
        }
    } else {
        // Started by hand: the program, then the two arguments, quoted where they hold blanks.
        int count = 0;
        LPWSTR *arguments = CommandLineToArgvW(commandLine.c_str(), &count);
        if (arguments && count == 3) {
            application = arguments[1];
            m_mappingName = arguments[2];
        }
        LocalFree(arguments);
    }
    if (m_mappingName != kMappingPrefix + application + kMappingSuffix) {
        *error = "usage: mindump <application> Mapping_<application>DumpData, not \""
            + toUtf8(commandLine) + "\"";
        return false;
    }
    m_application = application;
    return true;
}

bool HandoffRequest::readBlock(std::string *error)
{
    ScopedHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, m_mappingName.c_str()));
    if (!mapping.handle) {
        *error = "no shared block \"" + toUtf8(m_mappingName) + "\" (error "
            + std::to_string(GetLastError()) + ")";
        return false;
    }
    const auto *bytes =
        static_cast<const unsigned char *>(MapViewOfFile(mapping.handle, FILE_MAP_READ, 0, 0, 0));
    if (!bytes) {
        *error = "cannot map the shared block (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    MEMORY_BASIC_INFORMATION region {};
    const bool large = VirtualQuery(bytes, &region, sizeof region) == sizeof region
        && region.RegionSize >= CrashHandoff::kBlockSize;
    uint32_t processId = 0;
    uint32_t threadId = 0;
    if (large) {
        std::memcpy(&processId, bytes + CrashHandoff::kProcessIdOffset, sizeof processId);
        std::memcpy(&threadId, bytes + CrashHandoff::kThreadIdOffset, sizeof threadId);
        std::memcpy(&m_recordAddress, bytes + CrashHandoff::kRecordAddressOffset,
                    sizeof m_recordAddress);
    }
    UnmapViewOfFile(bytes);
    if (!large) {
        *error = "the shared block is smaller than " + std::to_string(CrashHandoff::kBlockSize)
            + " bytes";
        return false;
    }
    m_processId = processId;
    m_threadId = threadId;
    return true;
}

bool HandoffRequest::describesCrashedParent(std::string *error) const
{
    if (m_processId == 0 || m_threadId == 0) {
        *error = "the shared block holds no process (process " + std::to_string(m_processId)
            + ", thread " + std::to_string(m_threadId) + ")";
        return false;
    }
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0));
    if (snapshot.handle == INVALID_HANDLE_VALUE) {
        *error = "cannot list the processes (error " + std::to_string(GetLastError()) + ")";
        return false;
    }

    // Only the crashed process itself starts its writer; a block naming anyone else is stale
    // or forged, and we must not stop and copy an unrelated process.
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    bool running = false;
    PROCESSENTRY32W process {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(snapshot.handle, &process); more;
         more = Process32NextW(snapshot.handle, &process)) {
        if (process.th32ProcessID == self)
            parent = process.th32ParentProcessID;
        if (process.th32ProcessID == m_processId)
            running = true;
    }
    if (!running) {
        *error = "process " + std::to_string(m_processId) + " is not running";
        return false;
    }
    if (parent != m_processId) {
        *error = "process " + std::to_string(m_processId)
            + " is not the one that started the writer (" + std::to_string(parent) + ")";
        return false;
    }

    THREADENTRY32 thread {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot.handle, &thread); more;
         more = Thread32Next(snapshot.handle, &thread)) {
        if (thread.th32ThreadID == m_threadId && thread.th32OwnerProcessID == m_processId)
            return true;
    }
    *error = "thread " + std::to_string(m_threadId) + " is not a thread of process "
        + std::to_string(m_processId);
    return false;
}

int HandoffRequest::threadCount() const
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.handle == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    THREADENTRY32 thread {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot.handle, &thread); more;
         more = Thread32Next(snapshot.handle, &thread))
        count += thread.th32OwnerProcessID == m_processId ? 1 : 0;
    return count;
}
