#include "corewriter.h"

#include "procfiles.h"
#include "tracedprocess.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/procfs.h>
#include <unistd.h>

namespace {

#if defined(__x86_64__)
constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kMachine = EM_AARCH64;
#else
#error "mindump writes 64-bit x86 and ARM cores only"
#endif

constexpr size_t kCopyChunk = 1 << 20;

void appendNote(QByteArray &notes, const char *name, Elf64_Word type, const void *data, size_t size)
{
    const auto pad = [&notes]() {
        while (notes.size() % 4)
            notes.append('\0');
    };
    Elf64_Nhdr header {};
    header.n_namesz = static_cast<Elf64_Word>(std::strlen(name) + 1);
    header.n_descsz = static_cast<Elf64_Word>(size);
    header.n_type = type;
    notes.append(reinterpret_cast<const char *>(&header), sizeof header);
    notes.append(name, static_cast<int>(header.n_namesz));
    pad();
    notes.append(static_cast<const char *>(data), static_cast<int>(size));
    pad();
}

bool allZero(const unsigned char *bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i])
            return false;
    }
    return true;
}

bool writeAll(int fd, const void *data, size_t size, off_t offset)
{
    const auto *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = pwrite(fd, bytes, size, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
        offset += written;
    }
    return true;
}

unsigned long long parseHex(const QByteArray &text, bool *ok)
{
    return text.toULongLong(ok, 16);
}

} // namespace

CoreWriter::CoreWriter(const TracedProcess &process, pid_t crashingThread,
                       const siginfo_t *crashSignal)
    : m_process(process)
    , m_crashingThread(crashingThread)
    , m_pageSize(static_cast<size_t>(sysconf(_SC_PAGESIZE)))
{
    if (crashSignal) {
        m_signal = *crashSignal;
        m_hasSignal = true;
    }
}

void CoreWriter::readMappings()
{
    m_mappings.clear();
    const QByteArray smaps =
        ProcFiles::read(QStringLiteral("/proc/%1/smaps").arg(m_process.processId()));
    for (const QByteArray &line : smaps.split('\n')) {
        if (line.isEmpty())
            continue;
        const char first = line.at(0);
        const bool header = (first >= '0' && first <= '9') || (first >= 'a' && first <= 'f');
        if (header) {
            // start-end perms offset dev inode [path]
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 5)
                continue;
            const QList<QByteArray> range = fields.at(0).split('-');
            bool okStart = false;
            bool okEnd = false;
            bool okOffset = false;
            Mapping mapping;
            if (range.size() == 2) {
                mapping.start = parseHex(range.at(0), &okStart);
                mapping.end = parseHex(range.at(1), &okEnd);
            }
            mapping.offset = parseHex(fields.at(2), &okOffset);
            if (!okStart || !okEnd || !okOffset || mapping.end <= mapping.start)
                continue;
            const QByteArray &permissions = fields.at(1);
            mapping.readable = permissions.size() > 0 && permissions.at(0) == 'r';
            mapping.writable = permissions.size() > 1 && permissions.at(1) == 'w';
            mapping.executable = permissions.size() > 2 && permissions.at(2) == 'x';
            mapping.shared = permissions.size() > 3 && permissions.at(3) == 's';
            // The path is the rest of the line after the inode, blanks and all.
            int column = 0;
            int position = 0;
            while (position < line.size() && column < 5) {
                while (position < line.size() && line.at(position) != ' ')
                    ++position;
                while (position < line.size() && line.at(position) == ' ')
                    ++position;
                ++column;
            }
            mapping.path = line.mid(position);
            m_mappings.push_back(mapping);
        } else if (!m_mappings.empty()) {
            if (line.startsWith("Anonymous:")) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.size() >= 2)
                    m_mappings.back().anonymousBytes = fields.at(1).toULongLong() * 1024;
            } else if (line.startsWith("VmFlags:")) {
                m_mappings.back().vmFlags = " " + line.mid(8).simplified() + " ";
            }
        }
    }
    for (Mapping &mapping : m_mappings)
        chooseContents(mapping);
}

// Much as the kernel's default filter: anonymous memory and anything the process changed in
// full, the ELF header page of mapped files, and nothing that gdb reads from disk anyway or
// that must not be read (device memory, pages marked not to dump).
void CoreWriter::chooseContents(Mapping &mapping) const
{
    mapping.dumpSize = 0;
    const unsigned long long size = mapping.end - mapping.start;
    if (!mapping.readable || mapping.vmFlags.contains(" dd ") || mapping.vmFlags.contains(" io ")
        || mapping.vmFlags.contains(" pf "))
        return;
    const QByteArray &path = mapping.path;
    if (path == "[vvar]" || path == "[vvar_vclock]" || path == "[vsyscall]")
        return;
    const bool anonymous = path.isEmpty() || path.startsWith('[') || path.startsWith("/memfd:")
        || path.startsWith("/dev/zero") || path.startsWith("/SYSV");
    if (anonymous || mapping.anonymousBytes > 0) {
        mapping.dumpSize = size;
        return;
    }
    if (path.startsWith("/dev/"))
        return;
    if (mapping.offset == 0) {
        unsigned char magic[SELFMAG] = {};
        m_process.readMemory(mapping.start, magic, sizeof magic);
        if (std::memcmp(magic, ELFMAG, SELFMAG) == 0)
            mapping.dumpSize = std::min<unsigned long long>(size, m_pageSize);
    }
}

QByteArray CoreWriter::fileNote() const
{
    QByteArray entries;
    QByteArray names;
    unsigned long long count = 0;
    for (const Mapping &mapping : m_mappings) {
        // Only files gdb could open: shared memory, memfds and devices are no such file.
        const QByteArray &path = mapping.path;
        if (!path.startsWith('/') || path.startsWith("/dev/") || path.startsWith("/memfd:")
            || path.startsWith("/SYSV"))
            continue;
        const unsigned long long entry[3] = {mapping.start, mapping.end,
                                             mapping.offset / m_pageSize};
        entries.append(reinterpret_cast<const char *>(entry), sizeof entry);
        names.append(mapping.path);
        names.append('\0');
        ++count;
    }
    const unsigned long long head[2] = {count, m_pageSize};
    return QByteArray(reinterpret_cast<const char *>(head), sizeof head) + entries + names;
}

namespace {

// Crashing thread first: gdb takes the first thread as the one that stopped the program.
std::vector<const TracedProcess::Thread *> crashingThreadFirst(const TracedProcess &process,
                                                               pid_t crashingThread)
{
    std::vector<const TracedProcess::Thread *> ordered;
    for (const TracedProcess::Thread &thread : process.threads()) {
        if (thread.id == crashingThread)
            ordered.insert(ordered.begin(), &thread);
        else
            ordered.push_back(&thread);
    }
    return ordered;
}

elf_prpsinfo processInfo(pid_t pid)
{
    const QList<QByteArray> stat = ProcFiles::statFields(pid);
    const auto statField = [&stat](int index) {
        return index < stat.size() ? stat.at(index).toLongLong() : 0;
    };
    elf_prpsinfo info {};
    const char state = stat.isEmpty() || stat.first().isEmpty() ? 'R' : stat.first().at(0);
    info.pr_sname = state;
    info.pr_state = static_cast<char>(QByteArray("RSDTZW").indexOf(state));
    info.pr_zomb = state == 'Z';
    info.pr_nice = static_cast<char>(statField(16));
    info.pr_flag = static_cast<unsigned long>(statField(6));
    info.pr_uid = getuid();
    info.pr_gid = getgid();
    info.pr_pid = pid;
    info.pr_ppid = static_cast<int>(statField(1));
    info.pr_pgrp = static_cast<int>(statField(2));
    info.pr_sid = static_cast<int>(statField(3));
    const QByteArray command = ProcFiles::commandName(pid);
    std::strncpy(info.pr_fname, command.constData(), sizeof info.pr_fname - 1);
    QByteArray arguments = ProcFiles::read(QStringLiteral("/proc/%1/cmdline").arg(pid));
    arguments.replace('\0', ' ');
    std::strncpy(info.pr_psargs, arguments.trimmed().left(ELF_PRARGSZ - 1).constData(),
                 sizeof info.pr_psargs - 1);
    return info;
}

// The registers beyond the general ones, after the thread's status note.
void appendRegisterNotes(QByteArray &notes, const TracedProcess::Thread &thread)
{
    if (thread.hasFloatingPoint)
        appendNote(notes, "CORE", NT_FPREGSET, &thread.floatingPoint, sizeof thread.floatingPoint);
#if defined(__x86_64__)
    if (!thread.extendedState.empty())
        appendNote(notes, "LINUX", NT_X86_XSTATE, thread.extendedState.data(),
                   thread.extendedState.size());
#endif
}

} // namespace

QByteArray CoreWriter::buildNotes() const
{
    const elf_prpsinfo info = processInfo(m_process.processId());
    QByteArray notes;
    bool first = true;
    for (const TracedProcess::Thread *thread : crashingThreadFirst(m_process, m_crashingThread)) {
        const elf_prstatus status = threadStatus(*thread, info);
        appendNote(notes, "CORE", NT_PRSTATUS, &status, sizeof status);
        if (first) {
            appendProcessNotes(notes, info);
            first = false;
        }
        appendRegisterNotes(notes, *thread);
    }
    return notes;
}

elf_prstatus CoreWriter::threadStatus(const TracedProcess::Thread &thread,
                                      const elf_prpsinfo &info) const
{
    elf_prstatus status {};
    status.pr_pid = thread.id;
    status.pr_ppid = info.pr_ppid;
    status.pr_pgrp = info.pr_pgrp;
    status.pr_sid = info.pr_sid;
    if (thread.id == m_crashingThread && m_hasSignal) {
        status.pr_info.si_signo = m_signal.si_signo;
        status.pr_info.si_code = m_signal.si_code;
        status.pr_info.si_errno = m_signal.si_errno;
        status.pr_cursig = static_cast<short>(m_signal.si_signo);
    }
    if (thread.hasRegisters)
        std::memcpy(&status.pr_reg, &thread.registers, sizeof status.pr_reg);
    status.pr_fpvalid = thread.hasFloatingPoint ? 1 : 0;
    return status;
}

void CoreWriter::appendProcessNotes(QByteArray &notes, const elf_prpsinfo &info) const
{
    appendNote(notes, "CORE", NT_PRPSINFO, &info, sizeof info);
    if (m_hasSignal)
        appendNote(notes, "CORE", NT_SIGINFO, &m_signal, sizeof m_signal);
    const QByteArray auxv =
        ProcFiles::read(QStringLiteral("/proc/%1/auxv").arg(m_process.processId()));
    if (!auxv.isEmpty())
        appendNote(notes, "CORE", NT_AUXV, auxv.constData(), static_cast<size_t>(auxv.size()));
    const QByteArray files = fileNote();
    appendNote(notes, "CORE", NT_FILE, files.constData(), static_cast<size_t>(files.size()));
}

struct CoreWriter::Layout
{
    Elf64_Ehdr header {};
    /// The notes first, then one load segment per mapping.
    std::vector<Elf64_Phdr> programHeaders;
    bool extended = false;
    off_t notesOffset = 0;
    off_t totalSize = 0;
};

CoreWriter::Layout CoreWriter::planLayout(qsizetype notesSize) const
{
    Layout layout;
    const size_t segments = m_mappings.size() + 1;
    // More program headers than e_phnum can hold: the count moves into section header 0.
    layout.extended = segments >= PN_XNUM;
    const size_t headersEnd = sizeof(Elf64_Ehdr) + segments * sizeof(Elf64_Phdr)
        + (layout.extended ? sizeof(Elf64_Shdr) : 0);
    layout.notesOffset = static_cast<off_t>(headersEnd);
    off_t dataOffset = layout.notesOffset + notesSize;
    dataOffset =
        (dataOffset + static_cast<off_t>(m_pageSize) - 1) & ~static_cast<off_t>(m_pageSize - 1);

    Elf64_Ehdr &header = layout.header;
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_ident[EI_OSABI] = ELFOSABI_NONE;
    header.e_type = ET_CORE;
    header.e_machine = kMachine;
    header.e_version = EV_CURRENT;
    header.e_phoff = sizeof(Elf64_Ehdr);
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_phentsize = sizeof(Elf64_Phdr);
    header.e_phnum = layout.extended ? PN_XNUM : static_cast<Elf64_Half>(segments);
    if (layout.extended) {
        header.e_shoff = sizeof(Elf64_Ehdr) + segments * sizeof(Elf64_Phdr);
        header.e_shentsize = sizeof(Elf64_Shdr);
        header.e_shnum = 1;
    }

    layout.programHeaders.resize(segments);
    Elf64_Phdr &noteHeader = layout.programHeaders[0];
    noteHeader.p_type = PT_NOTE;
    noteHeader.p_offset = static_cast<Elf64_Off>(layout.notesOffset);
    noteHeader.p_filesz = static_cast<Elf64_Xword>(notesSize);
    noteHeader.p_align = 4;
    off_t offset = dataOffset;
    for (size_t i = 0; i < m_mappings.size(); ++i) {
        const Mapping &mapping = m_mappings[i];
        Elf64_Phdr &load = layout.programHeaders[i + 1];
        load.p_type = PT_LOAD;
        load.p_flags = (mapping.readable ? PF_R : 0) | (mapping.writable ? PF_W : 0)
            | (mapping.executable ? PF_X : 0);
        load.p_offset = static_cast<Elf64_Off>(offset);
        load.p_vaddr = mapping.start;
        load.p_memsz = mapping.end - mapping.start;
        load.p_filesz = mapping.dumpSize;
        load.p_align = m_pageSize;
        offset += static_cast<off_t>(mapping.dumpSize);
    }
    layout.totalSize = offset;
    return layout;
}

bool CoreWriter::copyMemory(int fd, const Layout &layout)
{
    bool ok = true;
    std::vector<unsigned char> chunk(kCopyChunk);
    for (size_t i = 0; ok && i < m_mappings.size() && !m_incomplete; ++i) {
        const Mapping &mapping = m_mappings[i];
        const off_t base = static_cast<off_t>(layout.programHeaders[i + 1].p_offset);
        for (unsigned long long done = 0; ok && done < mapping.dumpSize;) {
            if (std::chrono::steady_clock::now() >= m_deadline) {
                m_incomplete = true;
                break;
            }
            const size_t step = static_cast<size_t>(
                std::min<unsigned long long>(kCopyChunk, mapping.dumpSize - done));
            m_process.readMemory(mapping.start + done, chunk.data(), step);
            // Untouched memory reads as zeros: leave a hole instead of writing them.
            if (!allZero(chunk.data(), step))
                ok = writeAll(fd, chunk.data(), step, base + static_cast<off_t>(done));
            done += step;
        }
    }
    return ok;
}

bool CoreWriter::write(const QString &path, QString *error)
{
    readMappings();
    const QByteArray notes = buildNotes();
    const Layout layout = planLayout(notes.size());

    const QByteArray fileName = QFile::encodeName(path);
    const int fd = ::open(fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("cannot create %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const Elf64_Ehdr &header = layout.header;
    bool ok = writeAll(fd, &header, sizeof header, 0)
        && writeAll(fd, layout.programHeaders.data(),
                    layout.programHeaders.size() * sizeof(Elf64_Phdr), sizeof header);
    if (ok && layout.extended) {
        Elf64_Shdr section {};
        section.sh_info = static_cast<Elf64_Word>(layout.programHeaders.size());
        ok = writeAll(fd, &section, sizeof section, static_cast<off_t>(header.e_shoff));
    }
    ok = ok
        && writeAll(fd, notes.constData(), static_cast<size_t>(notes.size()), layout.notesOffset);
    ok = ok && copyMemory(fd, layout);
    ok = ok && ftruncate(fd, layout.totalSize) == 0;
    const int writeError = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(writeError)));
        return false;
    }
    return true;
}
