#include "crashhandler.h"

#include <cstring>

using namespace CrashHandoff;

namespace {

#ifdef _WIN32
constexpr wchar_t kWriterFileName[] = L"mindump.exe";
#else
constexpr wchar_t kWriterFileName[] = L"mindump";
#endif
constexpr wchar_t kMappingPrefix[] = L"Mapping_";
constexpr wchar_t kMappingSuffix[] = L"DumpData";

// Whole pages of its own (the alignment rounds the size up too): nothing else shares them, so
// a stray write into them is caught by the copies and cannot reach the lock or the handler.
struct alignas(4096) PageAlignedState
{
    CrashHandoffState state;
};
PageAlignedState s_storage;
CrashHandoffState &s_state = s_storage.state;

constexpr size_t kItem = CrashHandoffState::kItemLength;

size_t boundedLength(const wchar_t *text, size_t limit)
{
    size_t length = 0;
    while (text && length < limit && text[length] != L'\0')
        ++length;
    return length;
}

// Appends at most count characters of text at *position, never past the item's terminator.
void append(wchar_t *item, size_t *position, const wchar_t *text, size_t count)
{
    for (size_t i = 0; i < count && *position < kItem - 1; ++i)
        item[(*position)++] = text[i];
    item[*position] = L'\0';
}

void append(wchar_t *item, size_t *position, const wchar_t *text)
{
    append(item, position, text, boundedLength(text, kItem));
}

// Filter-time comparison: plain loop, no library call.
bool sameItem(const wchar_t *item, const wchar_t *copy)
{
    for (size_t i = 0; i < kItem; ++i) {
        if (item[i] != copy[i])
            return false;
        if (item[i] == L'\0')
            return true;
    }
    return true;
}

void writeBlock(void *view, const Platform::CrashException &exception)
{
    auto *bytes = static_cast<unsigned char *>(view);
    std::memset(bytes, 0, kBlockSize);
    const uint32_t processId = s_state.processId[0];
    const uint32_t threadId = Platform::currentThreadId();
    const uintptr_t record = reinterpret_cast<uintptr_t>(exception.record);
    std::memcpy(bytes + kProcessIdOffset, &processId, sizeof processId);
    std::memcpy(bytes + kThreadIdOffset, &threadId, sizeof threadId);
    std::memcpy(bytes + kRecordAddressOffset, &record, sizeof record);
}

// item followed by "_<process id>", cut to size; both the mapping name and the command line
// (which ends with it) take it alike.
void withProcessId(const wchar_t *item, wchar_t *out, size_t size)
{
    size_t position = 0;
    for (; position + 1 < size && item[position] != L'\0'; ++position)
        out[position] = item[position];
    wchar_t digits[12];
    size_t count = 0;
    for (uint32_t id = s_state.processId[0]; count == 0 || id != 0; id /= 10)
        digits[count++] = static_cast<wchar_t>(L'0' + id % 10);
    if (position + 1 < size)
        out[position++] = L'_';
    while (count > 0 && position + 1 < size)
        out[position++] = digits[--count];
    out[position] = L'\0';
}

int runWriter(const wchar_t *mappingName, const wchar_t *commandLine)
{
    Platform::CrashWriterLaunch launch;
    launch.program = s_state.writerPath;
    launch.commandLine = commandLine;
    launch.mappingName = mappingName;
    launch.timeoutMs = kWriterTimeoutMs;
    return Platform::runCrashWriter(launch) ? 0 : -2;
}

} // namespace

static_assert(kRecordAddressOffset + sizeof(uintptr_t) <= kBlockSize, "block too small");
static_assert(8 + kMaxApplicationName + 8 < CrashHandoffState::kItemLength,
              "mapping name must fit its item");
static_assert(1 + kMaxApplicationName + 1 + 8 + kMaxApplicationName + 8
                  < CrashHandoffState::kItemLength,
              "writer command line must fit its item");
static_assert(8 + kMaxApplicationName + 8 + 11 < CrashHandoffState::kItemLength,
              "a mapping name with a process id must fit its item");

CrashHandoffState &crashHandoffState()
{
    return s_state;
}

void installCrashHandler(const std::wstring &appName)
{
    // Beside the executable, as the engine library is: from the working directory it would run
    // whatever program of that name lies there.
    wchar_t writerPath[kItem] = {};
    bool complete = Platform::executableDirectory(writerPath, kItem);
    complete = complete && Platform::appendPathElement(writerPath, kItem, kWriterFileName);
    // A cut path would name some other program; better no hand-off than starting that.
    prepareHandoff(complete ? writerPath : nullptr, appName.c_str());
    Platform::installCrashFilter(&crashFilter);
}

int prepareHandoff(const wchar_t *writerPath, const wchar_t *appName)
{
    std::memset(&s_state, 0, sizeof s_state);
    if (!writerPath || writerPath[0] == L'\0')
        return -1;

    size_t position = 0;
    append(s_state.writerPath, &position, writerPath);
    std::memcpy(s_state.writerPathCopy, s_state.writerPath, sizeof s_state.writerPath);

    s_state.processId[0] = Platform::currentProcessId();
    s_state.processId[1] = s_state.processId[0];

    size_t nameLength = boundedLength(appName, kMaxApplicationName);
#ifdef _WIN32
    // Never keep half of a UTF-16 surrogate pair.
    if (nameLength == kMaxApplicationName && appName[nameLength - 1] >= 0xD800
        && appName[nameLength - 1] <= 0xDBFF)
        --nameLength;
#endif
    position = 0;
    append(s_state.mappingName, &position, kMappingPrefix);
    append(s_state.mappingName, &position, appName, nameLength);
    append(s_state.mappingName, &position, kMappingSuffix);
    std::memcpy(s_state.mappingNameCopy, s_state.mappingName, sizeof s_state.mappingName);

    position = 0;
    append(s_state.commandLine, &position, L" ");
    append(s_state.commandLine, &position, appName, nameLength);
    append(s_state.commandLine, &position, L" ");
    append(s_state.commandLine, &position, s_state.mappingName);
    return 0;
}

long crashFilter(const Platform::CrashException &exception)
{
    // Faulting again in here: waiting for ourselves would hang the process instead of ending it.
    if (!Platform::enterCrashLock())
        Platform::endCrashedProcess(exception.code);

    if (exception.code == kDebugOutputCode || exception.code == kDebugOutputWideCode) {
        Platform::leaveCrashLock();
        return 0;
    }

    const bool intact = sameItem(s_state.writerPath, s_state.writerPathCopy)
        && sameItem(s_state.mappingName, s_state.mappingNameCopy)
        && s_state.processId[0] == s_state.processId[1];
    // An unprepared state has nothing to hand off; one from another process (a forked child
    // inherits the handler) would send the writer to the wrong process.
    const bool ours =
        s_state.writerPath[0] != L'\0' && s_state.processId[0] == Platform::currentProcessId();
    if (!intact || !ours) {
        Platform::leaveCrashLock();
        return 1;
    }

    // Off the screen first: nobody should look at a frozen window while the writer works.
    Platform::hideCrashWindow();
    // Asked to end now, the process would leave its block behind.
    Platform::ignoreTerminationRequests();

    // The prepared name while it is free; another live hand-off's block is never touched, and
    // this one then goes under a name of its own.
    const wchar_t *mappingName = s_state.mappingName;
    const wchar_t *commandLine = s_state.commandLine;
    wchar_t ownMappingName[kItem];
    wchar_t ownCommandLine[2 * kItem];
    Platform::CrashBlock block;
    if (Platform::createCrashBlock(mappingName, kBlockSize, &block)
        == Platform::CrashBlockState::Taken) {
        withProcessId(s_state.mappingName, ownMappingName, kItem);
        withProcessId(s_state.commandLine, ownCommandLine, 2 * kItem);
        mappingName = ownMappingName;
        commandLine = ownCommandLine;
        Platform::createCrashBlock(mappingName, kBlockSize, &block);
    }
    if (block.view)
        writeBlock(block.view, exception);
    runWriter(mappingName, commandLine);
    Platform::closeCrashBlock(mappingName, &block);

    Platform::leaveCrashLock();
    return 1;
}

int startDumper()
{
    return runWriter(s_state.mappingName, s_state.commandLine);
}
