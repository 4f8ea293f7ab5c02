#pragma once

#include <QString>
#include <sys/procfs.h>
#include <sys/types.h>
#include <vector>

/// A process held still for copying: every thread is seized and interrupted with ptrace, and
/// released again by detach() or, on every other path, by the destructor. Seizing (not
/// attaching with SIGSTOP) also means the kernel resumes the threads should the writer die.
class TracedProcess
{
public:
    struct Thread
    {
        pid_t id = 0;
        elf_gregset_t registers {};
        bool hasRegisters = false;
        elf_fpregset_t floatingPoint {};
        bool hasFloatingPoint = false;
        /// The extended register state (x86 XSAVE area), empty when not available.
        std::vector<unsigned char> extendedState;
        /// A signal that arrived while stopping the thread; handed back on detach.
        int pendingSignal = 0;
    };

    explicit TracedProcess(pid_t processId);
    ~TracedProcess();
    TracedProcess(const TracedProcess &) = delete;
    TracedProcess &operator=(const TracedProcess &) = delete;

    /// Stops every thread and reads its registers. False with a message when the process
    /// cannot be traced; threads stopped so far are released again.
    bool attach(QString *error);
    /// Lets every thread run on. Safe to call more than once.
    void detach();

    pid_t processId() const { return m_processId; }
    const std::vector<Thread> &threads() const { return m_threads; }

    /// Copies size bytes from address into buffer; pages that cannot be read become zeros.
    /// Returns the number of bytes that were really read.
    size_t readMemory(unsigned long long address, void *buffer, size_t size) const;

private:
    bool stopThread(pid_t id, QString *error);
    void readRegisters(Thread &thread);

    pid_t m_processId;
    int m_memory = -1;
    std::vector<Thread> m_threads;
};
