#pragma once

#include "tracedprocess.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <csignal>
#include <vector>

/// Writes an ELF core file of a stopped process that gdb opens like one the kernel wrote:
/// one PT_NOTE (each thread's registers, the crashing thread first, the process and signal
/// information, the auxiliary vector and the mapped files, so gdb finds the shared
/// libraries) and one PT_LOAD per mapping. Memory that gdb can take from the files on disk
/// (unmodified code and read-only data) is left out, except the first page of each ELF file.
class CoreWriter
{
public:
    /// crashSignal may be null when the crashed process's record could not be read.
    CoreWriter(const TracedProcess &process, pid_t crashingThread, const siginfo_t *crashSignal);

    /// Stops copying memory once the deadline passes; the core is then incomplete.
    void setDeadline(std::chrono::steady_clock::time_point deadline) { m_deadline = deadline; }

    /// Writes the core to path (created new, readable by the user only).
    bool write(const QString &path, QString *error);

    /// True when the deadline cut the copy short.
    bool incomplete() const { return m_incomplete; }

private:
    struct Mapping
    {
        unsigned long long start = 0;
        unsigned long long end = 0;
        unsigned long long offset = 0;
        bool readable = false;
        bool writable = false;
        bool executable = false;
        bool shared = false;
        QByteArray path;
        unsigned long long anonymousBytes = 0;
        QByteArray vmFlags;
        unsigned long long dumpSize = 0;
    };

    /// Where everything goes in the file: the ELF and program headers, the notes, the memory.
    struct Layout;

    void readMappings();
    void chooseContents(Mapping &mapping) const;
    QByteArray buildNotes() const;
    /// The notes that describe the whole process; they follow the first thread's status.
    void appendProcessNotes(QByteArray &notes, const elf_prpsinfo &info) const;
    elf_prstatus threadStatus(const TracedProcess::Thread &thread, const elf_prpsinfo &info) const;
    QByteArray fileNote() const;
    Layout planLayout(qsizetype notesSize) const;
    /// Copies the chosen memory chunk by chunk; stops at the deadline.
    bool copyMemory(int fd, const Layout &layout);

    const TracedProcess &m_process;
    pid_t m_crashingThread;
    siginfo_t m_signal {};
    bool m_hasSignal = false;
    std::vector<Mapping> m_mappings;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    bool m_incomplete = false;
    size_t m_pageSize;
};
