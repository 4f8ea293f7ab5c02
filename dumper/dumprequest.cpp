#include "dumprequest.h"

#include "crashblock.h"

#include "procfiles.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool DumpRequest::read(const QString &mappingName, QString *error)
{
    if (mappingName.isEmpty() || mappingName.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("invalid mapping name \"%1\"").arg(mappingName);
        return false;
    }
    const QByteArray name = "/" + mappingName.toUtf8();
    const int fd = shm_open(name.constData(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        *error = QStringLiteral("no shared block \"%1\": %2")
                     .arg(mappingName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status;
    unsigned char bytes[CrashHandoff::kBlockSize] = {};
    ssize_t got = -1;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid())
        got = pread(fd, bytes, sizeof bytes, 0);
    ::close(fd);
    if (got < 0) {
        *error =
            QStringLiteral("shared block \"%1\" is not ours or cannot be read").arg(mappingName);
        return false;
    }
    return parse(bytes, static_cast<size_t>(got), error);
}

bool DumpRequest::parse(const unsigned char *bytes, size_t size, QString *error)
{
    if (size < CrashHandoff::kRecordAddressOffset + sizeof(uint64_t)) {
        *error = QStringLiteral("shared block holds %1 bytes, too few").arg(size);
        return false;
    }
    uint32_t processId = 0;
    uint32_t threadId = 0;
    uintptr_t recordAddress = 0;
    std::memcpy(&processId, bytes + CrashHandoff::kProcessIdOffset, sizeof processId);
    std::memcpy(&threadId, bytes + CrashHandoff::kThreadIdOffset, sizeof threadId);
    std::memcpy(&recordAddress, bytes + CrashHandoff::kRecordAddressOffset, sizeof recordAddress);
    m_processId = static_cast<pid_t>(processId);
    m_threadId = static_cast<pid_t>(threadId);
    m_recordAddress = recordAddress;
    return true;
}

bool DumpRequest::describesCrashedParent(QString *error) const
{
    if (m_processId <= 0 || m_threadId <= 0) {
        *error = QStringLiteral("shared block holds no process (pid %1, thread %2)")
                     .arg(m_processId)
                     .arg(m_threadId);
        return false;
    }
    const char state = ProcFiles::state(m_processId);
    if (state == 0 || state == 'Z' || state == 'X') {
        *error = QStringLiteral("process %1 is not running").arg(m_processId);
        return false;
    }
    // Only the crashed process itself starts its writer; a block naming anyone else is stale
    // or forged, and we must not stop and copy an unrelated process.
    if (m_processId != getppid()) {
        *error = QStringLiteral("process %1 is not the one that started the writer (%2)")
                     .arg(m_processId)
                     .arg(getppid());
        return false;
    }
    const std::vector<pid_t> threads = ProcFiles::threadIds(m_processId);
    if (std::find(threads.begin(), threads.end(), m_threadId) == threads.end()) {
        *error = QStringLiteral("thread %1 is not a thread of process %2")
                     .arg(m_threadId)
                     .arg(m_processId);
        return false;
    }
    if (m_recordAddress == 0) {
        *error = QStringLiteral("shared block holds no exception record");
        return false;
    }
    return true;
}
