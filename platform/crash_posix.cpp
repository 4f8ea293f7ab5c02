#include "platform_crash.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434
#endif
#ifndef SYS_close_range
#define SYS_close_range 436
#endif

// Everything below that runs at crash time uses system calls and fixed buffers only: the
// crash may have happened inside malloc or with any lock of the C library held.

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// Room for the filter's buffers (a few KB) and the system calls under it.
constexpr size_t kAlternateStackSize = 64 * 1024;
// A wide item of 260 characters is at most 4 UTF-8 bytes each.
constexpr size_t kUtf8ItemSize = 260 * 4 + 2;
constexpr unsigned kCloseRangeCloexec = 1u << 2;
// Where close_range is missing (before Linux 5.11), descriptors are marked one by one.
constexpr int kDescriptorScanLimit = 4096;

alignas(16) char s_alternateStack[kAlternateStackSize];
std::atomic<Platform::CrashFilter> s_filter {nullptr};
std::atomic<pid_t> s_lockOwner {0};
static_assert(std::atomic<pid_t>::is_always_lock_free, "the crash lock must not use a mutex");
static_assert(std::atomic<Platform::CrashFilter>::is_always_lock_free, "");
// std::terminate has no siginfo_t of its own; the writer is handed this one instead.
siginfo_t s_terminateRecord;

pid_t threadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// UTF-32 to UTF-8 into a fixed buffer; false when it does not fit or a character is invalid.
bool toUtf8(const wchar_t *text, size_t length, char *out, size_t outSize)
{
    size_t position = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint32_t c = static_cast<uint32_t>(text[i]);
        char bytes[4];
        size_t count;
        if (c < 0x80) {
            bytes[0] = static_cast<char>(c);
            count = 1;
        } else if (c < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | (c >> 6));
            bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
            count = 2;
        } else if (c < 0x10000) {
            if (c >= 0xD800 && c <= 0xDFFF)
                return false;
            bytes[0] = static_cast<char>(0xE0 | (c >> 12));
            bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
            count = 3;
        } else if (c < 0x110000) {
            bytes[0] = static_cast<char>(0xF0 | (c >> 18));
            bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
            count = 4;
        } else {
            return false;
        }
        if (position + count >= outSize)
            return false;
        for (size_t k = 0; k < count; ++k)
            out[position++] = bytes[k];
    }
    out[position] = '\0';
    return true;
}

// UTF-8 to UTF-32; false for malformed text (a path we could not give back byte for byte).
bool fromUtf8(const char *text, wchar_t *out, size_t outSize)
{
    size_t position = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    while (*bytes) {
        uint32_t c = *bytes;
        int extra = 0;
        uint32_t minimum = 0;
        if (c >= 0xF0 && c <= 0xF4) {
            c &= 0x07;
            extra = 3;
            minimum = 0x10000;
        } else if (c >= 0xE0) {
            if (c > 0xEF)
                return false;
            c &= 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if (c >= 0xC2) {
            if (c > 0xDF)
                return false;
            c &= 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if (c >= 0x80) {
            return false;
        }
        ++bytes;
        for (int k = 0; k < extra; ++k, ++bytes) {
            if ((*bytes & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (*bytes & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        if (position + 1 >= outSize)
            return false;
        out[position++] = static_cast<wchar_t>(c);
    }
    out[position] = L'\0';
    return true;
}

size_t wideLength(const wchar_t *text)
{
    size_t length = 0;
    while (text && text[length] != L'\0')
        ++length;
    return length;
}

// POSIX shared memory names are "/" and one path element.
bool sharedMemoryName(const wchar_t *name, char *out, size_t outSize)
{
    if (!name || name[0] == L'\0' || outSize < 2)
        return false;
    out[0] = '/';
    return toUtf8(name, wideLength(name), out + 1, outSize - 1);
}

timespec monotonicNow()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

long long millisecondsBetween(const timespec &from, const timespec &to)
{
    return (to.tv_sec - from.tv_sec) * 1000LL + (to.tv_nsec - from.tv_nsec) / 1000000;
}

void sleepMilliseconds(long milliseconds)
{
    timespec pause {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

void closeIfOpen(int fd)
{
    if (fd >= 0)
        close(fd);
}

// Splits " <application> <mapping>" into its two arguments. The mapping name ends the line,
// so the application name is everything between the leading blank and the blank before it,
// blanks included.
bool splitCommandLine(const Platform::CrashWriterLaunch &launch, char *application, char *mapping)
{
    const wchar_t *line = launch.commandLine;
    const size_t lineLength = wideLength(line);
    const size_t mappingLength = wideLength(launch.mappingName);
    if (lineLength >= mappingLength + 2 && line[0] == L' '
        && line[lineLength - mappingLength - 1] == L' ') {
        bool endsWithMapping = true;
        for (size_t i = 0; i < mappingLength && endsWithMapping; ++i)
            endsWithMapping = line[lineLength - mappingLength + i] == launch.mappingName[i];
        if (endsWithMapping)
            return toUtf8(line + 1, lineLength - mappingLength - 2, application, kUtf8ItemSize)
                && toUtf8(launch.mappingName, mappingLength, mapping, kUtf8ItemSize);
    }
    // Not of the expected shape: split at the last blank as a shell would for two words.
    size_t lastBlank = lineLength;
    while (lastBlank > 0 && line[lastBlank - 1] != L' ')
        --lastBlank;
    if (lastBlank < 2)
        return false;
    const size_t start = line[0] == L' ' ? 1 : 0;
    return toUtf8(line + start, lastBlank - 1 - start, application, kUtf8ItemSize)
        && toUtf8(line + lastBlank, lineLength - lastBlank, mapping, kUtf8ItemSize);
}

// The writer's child side between fork and exec: only async-signal-safe calls.
[[noreturn]] void execWriter(const char *program, char *const *argv, int gate, int status)
{
    // The writer gets no descriptor of ours but the standard three: holding our listening
    // socket or our locks past our end would make a restarted program believe we still run.
    if (syscall(SYS_close_range, 3u, ~0u, kCloseRangeCloexec) != 0) {
        for (int fd = 3; fd < kDescriptorScanLimit; ++fd)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    char released;
    while (read(gate, &released, 1) < 0 && errno == EINTR) { }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(program, argv);
    const int error = errno;
    while (write(status, &error, sizeof error) < 0 && errno == EINTR) { }
    _exit(127);
}

// Ends when the writer has ended (or was reaped by someone else) or the deadline passes.
void waitForWriter(pid_t writer, unsigned long timeoutMs)
{
    const timespec start = monotonicNow();
    const int handle = static_cast<int>(syscall(SYS_pidfd_open, writer, 0));
    for (;;) {
        int status = 0;
        const pid_t result = waitpid(writer, &status, WNOHANG);
        if (result == writer || (result < 0 && errno == ECHILD))
            break;
        const long long left =
            static_cast<long long>(timeoutMs) - millisecondsBetween(start, monotonicNow());
        if (left <= 0)
            break;
        if (handle >= 0) {
            pollfd exited {handle, POLLIN, 0};
            poll(&exited, 1, static_cast<int>(left < 1000 ? left : 1000));
        } else {
            sleepMilliseconds(left < 5 ? static_cast<long>(left) : 5);
        }
    }
    closeIfOpen(handle);
}

void onFaultSignal(int signal, siginfo_t *info, void *)
{
    const Platform::CrashFilter filter = s_filter.load(std::memory_order_acquire);
    if (filter)
        filter(Platform::CrashException {static_cast<unsigned long>(signal), info});
    // Nothing to go on to: end with the signal's own status, so a shell or a service manager
    // sees the crash.
    Platform::endCrashedProcess(static_cast<unsigned long>(signal));
}

void writeText(const char *text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    if (write(STDERR_FILENO, text, length) < 0)
        return;
}

// Says which exception ended the program, as the library's own handler would; no heap.
void reportUncaughtException()
{
    const std::exception_ptr current = std::current_exception();
    const char *what = nullptr;
    if (current) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception &exception) {
            what = exception.what();
        } catch (...) { }
    }
    writeText(current ? "terminate called after an uncaught exception" : "terminate called");
    if (what) {
        writeText(": ");
        writeText(what);
    }
    writeText("\n");
}

[[noreturn]] void onTerminate()
{
    reportUncaughtException();
    s_terminateRecord.si_signo = SIGABRT;
    s_terminateRecord.si_code = SI_TKILL;
    s_terminateRecord.si_pid = getpid();
    s_terminateRecord.si_uid = getuid();
    const Platform::CrashFilter filter = s_filter.load(std::memory_order_acquire);
    if (filter)
        filter(Platform::CrashException {static_cast<unsigned long>(SIGABRT), &s_terminateRecord});
    Platform::endCrashedProcess(static_cast<unsigned long>(SIGABRT));
}

} // namespace

namespace Platform {

void installCrashFilter(CrashFilter filter)
{
    s_filter.store(filter, std::memory_order_release);

    // Only the installing thread (the GUI thread) gets the alternate stack; it lets the
    // handler run even when that thread's own stack has overflowed.
    stack_t stack {};
    stack.ss_sp = s_alternateStack;
    stack.ss_size = sizeof s_alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action = {};
    action.sa_sigaction = &onFaultSignal;
    sigemptyset(&action.sa_mask);
    // SA_NODEFER: a fault inside the filter comes back to it, which ends the process at once,
    // rather than being left to the kernel as a blocked synchronous signal.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    for (const int signal : kFaultSignals)
        sigaction(signal, &action, nullptr);

    std::set_terminate(&onTerminate);
}

void endCrashedProcess(unsigned long code)
{
    const int signal =
        code > 0 && code < static_cast<unsigned long>(NSIG) ? static_cast<int>(code) : SIGABRT;
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    syscall(SYS_tgkill, getpid(), threadId(), signal);
    // Only a signal the default action does not end with gets here.
    _exit(128 + signal);
}

unsigned int currentProcessId()
{
    return static_cast<unsigned int>(getpid());
}

unsigned int currentThreadId()
{
    return static_cast<unsigned int>(threadId());
}

bool currentDirectory(wchar_t *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = L'\0';
    char directory[PATH_MAX];
    if (!getcwd(directory, sizeof directory))
        return false;
    if (fromUtf8(directory, buffer, size))
        return true;
    buffer[0] = L'\0';
    return false;
}

bool executableDirectory(wchar_t *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = L'\0';
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return false;
    path[length] = '\0';
    char *slash = std::strrchr(path, '/');
    if (!slash)
        return false;
    slash[slash == path ? 1 : 0] = '\0';
    if (fromUtf8(path, buffer, size))
        return true;
    buffer[0] = L'\0';
    return false;
}

bool appendPathElement(wchar_t *buffer, size_t size, const wchar_t *element)
{
    if (!buffer || size == 0)
        return false;
    size_t position = wideLength(buffer);
    if (position >= size)
        return false;
    if (position > 0 && buffer[position - 1] != L'/') {
        if (position + 1 >= size)
            return false;
        buffer[position++] = L'/';
        buffer[position] = L'\0';
    }
    for (size_t i = 0; element && element[i] != L'\0'; ++i) {
        if (position + 1 >= size)
            return false;
        buffer[position++] = element[i];
        buffer[position] = L'\0';
    }
    return true;
}

CrashBlockState createCrashBlock(const wchar_t *name, size_t size, CrashBlock *block)
{
    *block = CrashBlock();
    char objectName[kUtf8ItemSize + 1];
    if (!sharedMemoryName(name, objectName, sizeof objectName) || size < sizeof(uint32_t))
        return CrashBlockState::Failed;
    // Exclusive: another process's hand-off may be using a block of this name right now.
    int fd = shm_open(objectName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            shm_unlink(objectName);
            return CrashBlockState::Failed;
        }
        block->handle = fd;
        void *view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED) {
            block->view = view;
            block->size = size;
        }
        return CrashBlockState::Created;
    }
    if (errno != EEXIST)
        return CrashBlockState::Failed;

    // A block whose process is gone (killed while it waited) is claimed in place: the process
    // id at its start changes to ours only if it still names that dead process, so of two
    // crashes finding it at once just one gets it, and nobody removes a block in use.
    fd = shm_open(objectName, O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return CrashBlockState::Taken;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()
        || status.st_size < static_cast<off_t>(size)) {
        close(fd);
        return CrashBlockState::Taken;
    }
    void *view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        close(fd);
        return CrashBlockState::Taken;
    }
    auto *owner = static_cast<uint32_t *>(view);
    uint32_t previous = __atomic_load_n(owner, __ATOMIC_ACQUIRE);
    const uint32_t self = static_cast<uint32_t>(getpid());
    // 0: a hand-off that has only just created it.
    const bool abandoned = previous != 0
        && (previous == self || (kill(static_cast<pid_t>(previous), 0) != 0 && errno == ESRCH));
    if (abandoned
        && __atomic_compare_exchange_n(owner, &previous, self, false, __ATOMIC_ACQ_REL,
                                       __ATOMIC_ACQUIRE)) {
        block->handle = fd;
        block->view = view;
        block->size = size;
        return CrashBlockState::Created;
    }
    munmap(view, size);
    close(fd);
    return CrashBlockState::Taken;
}

void ignoreTerminationRequests()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaction(signal, &ignore, nullptr);
}

void closeCrashBlock(const wchar_t *name, CrashBlock *block)
{
    if (block->view) {
        munmap(block->view, block->size);
        block->view = nullptr;
    }
    if (block->handle >= 0) {
        close(static_cast<int>(block->handle));
        block->handle = -1;
        char objectName[kUtf8ItemSize + 1];
        if (sharedMemoryName(name, objectName, sizeof objectName))
            shm_unlink(objectName);
    }
}

bool runCrashWriter(const CrashWriterLaunch &launch)
{
    char program[kUtf8ItemSize];
    char application[kUtf8ItemSize];
    char mapping[kUtf8ItemSize];
    if (!launch.program || !launch.commandLine || !launch.mappingName
        || !toUtf8(launch.program, wideLength(launch.program), program, sizeof program)
        || !splitCommandLine(launch, application, mapping))
        return false;
    if (access(program, X_OK) != 0)
        return false;
    char *argv[] = {program, application, mapping, nullptr};

    // gate: the writer waits on it until it is allowed to inspect us; status: carries the
    // error of a failed exec, and closes (on exec) when the writer runs.
    int gate[2];
    int status[2];
    if (pipe2(gate, O_CLOEXEC) != 0)
        return false;
    if (pipe2(status, O_CLOEXEC) != 0) {
        close(gate[0]);
        close(gate[1]);
        return false;
    }
    // A raw fork: the C library's fork runs atfork handlers and takes the allocator's locks,
    // which the crashed thread may hold.
    const pid_t writer = static_cast<pid_t>(syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0));
    if (writer == 0) {
        close(gate[1]);
        close(status[0]);
        execWriter(program, argv, gate[0], status[1]);
    }
    close(gate[0]);
    close(status[1]);
    if (writer < 0) {
        close(gate[1]);
        close(status[0]);
        return false;
    }
    // Under Yama's restricted ptrace only a named tracer may attach to us, and the writer is
    // our child, not our ancestor. Without Yama this fails harmlessly.
    prctl(PR_SET_PTRACER, static_cast<unsigned long>(writer), 0, 0, 0);
    close(gate[1]);

    int error = 0;
    ssize_t got;
    while ((got = read(status[0], &error, sizeof error)) < 0 && errno == EINTR) { }
    close(status[0]);
    if (got > 0) {
        int ignored;
        while (waitpid(writer, &ignored, 0) < 0 && errno == EINTR) { }
        return false;
    }
    waitForWriter(writer, launch.timeoutMs);
    return true;
}

bool enterCrashLock()
{
    const pid_t self = threadId();
    for (;;) {
        pid_t expected = 0;
        if (s_lockOwner.compare_exchange_strong(expected, self, std::memory_order_acquire))
            return true;
        if (expected == self)
            return false;
        sleepMilliseconds(1);
    }
}

void leaveCrashLock()
{
    s_lockOwner.store(0, std::memory_order_release);
}

} // namespace Platform
