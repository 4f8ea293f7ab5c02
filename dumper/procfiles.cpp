#include "procfiles.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ProcFiles {

QByteArray read(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray content;
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        content.append(chunk, static_cast<int>(got));
    }
    ::close(fd);
    return content;
}

std::vector<pid_t> threadIds(pid_t pid)
{
    std::vector<pid_t> ids;
    const QStringList entries =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const int id = entry.toInt(&ok);
        if (ok && id > 0)
            ids.push_back(static_cast<pid_t>(id));
    }
    return ids;
}

QString executable(pid_t pid)
{
    char path[4096];
    const QByteArray link = QStringLiteral("/proc/%1/exe").arg(pid).toLocal8Bit();
    const ssize_t length = ::readlink(link.constData(), path, sizeof path - 1);
    if (length <= 0)
        return {};
    return QFile::decodeName(QByteArray(path, static_cast<int>(length)));
}

QList<QByteArray> statFields(pid_t pid)
{
    const QByteArray stat = read(QStringLiteral("/proc/%1/stat").arg(pid));
    // The command name may itself hold blanks and parentheses; it ends at the last ')'.
    const int end = stat.lastIndexOf(')');
    if (end < 0)
        return {};
    return stat.mid(end + 2).trimmed().split(' ');
}

char state(pid_t pid)
{
    const QList<QByteArray> fields = statFields(pid);
    return fields.isEmpty() || fields.first().isEmpty() ? 0 : fields.first().at(0);
}

QByteArray commandName(pid_t pid)
{
    const QByteArray stat = read(QStringLiteral("/proc/%1/stat").arg(pid));
    const int begin = stat.indexOf('(');
    const int end = stat.lastIndexOf(')');
    if (begin < 0 || end <= begin)
        return {};
    return stat.mid(begin + 1, end - begin - 1);
}

} // namespace ProcFiles
