#include "tracedprocess.h"

#include "procfiles.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A thread that does not stop within this time (stuck in the kernel) is left out.
constexpr auto kStopTimeout = std::chrono::seconds(3);
// Threads started while we were stopping the others are caught by scanning again.
constexpr int kMaxScans = 50;
constexpr size_t kMaxExtendedState = 64 * 1024;

bool isPtraceEventStop(int status)
{
    return (status >> 16) == PTRACE_EVENT_STOP;
}

} // namespace

TracedProcess::TracedProcess(pid_t processId)
    : m_processId(processId)
{ }

TracedProcess::~TracedProcess()
{
    detach();
}

bool TracedProcess::attach(QString *error)
{
    for (int scan = 0; scan < kMaxScans; ++scan) {
        bool found = false;
        for (const pid_t id : ProcFiles::threadIds(m_processId)) {
            const bool known = std::any_of(m_threads.begin(), m_threads.end(),
                                           [id](const Thread &thread) { return thread.id == id; });
            if (known)
                continue;
            found = true;
            if (!stopThread(id, error) && id == m_processId) {
                detach();
                return false;
            }
        }
        // A stopped thread starts no new ones, so one quiet scan means we have them all.
        if (!found)
            break;
    }
    if (m_threads.empty()) {
        if (error->isEmpty())
            *error =
                QStringLiteral("process %1 has no thread that could be stopped").arg(m_processId);
        return false;
    }
    for (Thread &thread : m_threads)
        readRegisters(thread);
    m_memory = ::open(QStringLiteral("/proc/%1/mem").arg(m_processId).toLocal8Bit().constData(),
                      O_RDONLY | O_CLOEXEC);
    if (m_memory < 0) {
        *error = QStringLiteral("cannot read the memory of process %1: %2")
                     .arg(m_processId)
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        detach();
        return false;
    }
    return true;
}

bool TracedProcess::stopThread(pid_t id, QString *error)
{
    if (ptrace(PTRACE_SEIZE, id, nullptr, nullptr) != 0) {
        // A thread that ended meanwhile is simply not there any more.
        if (errno != ESRCH)
            *error = QStringLiteral("cannot trace thread %1 of process %2: %3")
                         .arg(id)
                         .arg(m_processId)
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    Thread thread;
    thread.id = id;
    ptrace(PTRACE_INTERRUPT, id, nullptr, nullptr);

    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    for (;;) {
        int status = 0;
        const pid_t result = waitpid(id, &status, __WALL | WNOHANG);
        if (result == id) {
            if (WIFEXITED(status) || WIFSIGNALED(status))
                return false;
            if (WIFSTOPPED(status)) {
                // A signal-delivery stop holds the thread just as well; the signal is given
                // back when we let go.
                if (!isPtraceEventStop(status) && WSTOPSIG(status) != SIGTRAP)
                    thread.pendingSignal = WSTOPSIG(status);
                m_threads.push_back(thread);
                return true;
            }
        } else if (result < 0 && errno != EINTR) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            // Still running: the kernel lets it go when we exit.
            *error = QStringLiteral("thread %1 did not stop").arg(id);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TracedProcess::readRegisters(Thread &thread)
{
    iovec vector {&thread.registers, sizeof thread.registers};
    thread.hasRegisters =
        ptrace(PTRACE_GETREGSET, thread.id, reinterpret_cast<void *>(NT_PRSTATUS), &vector) == 0;
    vector = {&thread.floatingPoint, sizeof thread.floatingPoint};
    thread.hasFloatingPoint =
        ptrace(PTRACE_GETREGSET, thread.id, reinterpret_cast<void *>(NT_FPREGSET), &vector) == 0;
#if defined(__x86_64__) || defined(__i386__)
    thread.extendedState.resize(kMaxExtendedState);
    vector = {thread.extendedState.data(), thread.extendedState.size()};
    if (ptrace(PTRACE_GETREGSET, thread.id, reinterpret_cast<void *>(NT_X86_XSTATE), &vector) == 0)
        thread.extendedState.resize(vector.iov_len);
    else
        thread.extendedState.clear();
#else
    (void)kMaxExtendedState;
#endif
}

void TracedProcess::detach()
{
    if (m_memory >= 0) {
        ::close(m_memory);
        m_memory = -1;
    }
    for (const Thread &thread : m_threads)
        ptrace(PTRACE_DETACH, thread.id, nullptr,
               reinterpret_cast<void *>(static_cast<long>(thread.pendingSignal)));
    m_threads.clear();
}

size_t TracedProcess::readMemory(unsigned long long address, void *buffer, size_t size) const
{
    auto *bytes = static_cast<unsigned char *>(buffer);
    const ssize_t whole =
        m_memory < 0 ? -1 : pread(m_memory, bytes, size, static_cast<off_t>(address));
    if (whole == static_cast<ssize_t>(size))
        return size;
    // Some page in the range cannot be read (a hole in a file mapping, a guard page): go
    // page by page and leave zeros where nothing is.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t done = 0;
    size_t read = 0;
    while (done < size) {
        const size_t step =
            std::min<size_t>(size - done, page - static_cast<size_t>((address + done) % page));
        const ssize_t got = m_memory < 0
            ? -1
            : pread(m_memory, bytes + done, step, static_cast<off_t>(address + done));
        if (got > 0)
            read += static_cast<size_t>(got);
        if (got < static_cast<ssize_t>(step))
            std::memset(bytes + done + std::max<ssize_t>(got, 0), 0,
                        step - static_cast<size_t>(std::max<ssize_t>(got, 0)));
        done += step;
    }
    return read;
}
