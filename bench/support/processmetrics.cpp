#include "processmetrics.h"

#include <QDir>
#include <QFile>
#include <QMultiHash>
#include <QStringList>

#include <ctime>
#include <unistd.h>

namespace {

// The fields of /proc/<pid>/stat after the command name, which may itself hold spaces.
QList<QByteArray> statFields(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const int end = stat.lastIndexOf(')');
    return end < 0 ? QList<QByteArray>() : stat.mid(end + 2).split(' ');
}

struct Memory
{
    qint64 pss = 0;
    qint64 privateKilobytes = 0;
};

Memory memoryOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    Memory memory;
    if (!file.open(QIODevice::ReadOnly))
        return memory;
    const auto kilobytes = [](const QByteArray &line, int lead) {
        return line.mid(lead).trimmed().split(' ').value(0).toLongLong();
    };
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("Pss:"))
            memory.pss = kilobytes(line, 4);
        else if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            memory.privateKilobytes += kilobytes(line, 14);
    }
    return memory;
}

} // namespace

double ProcessMetrics::msSinceProcessStart()
{
    // Field 22 of stat (index 19 after the name): start time in clock ticks since boot.
    const QList<QByteArray> fields = statFields(QStringLiteral("self"));
    if (fields.size() < 20)
        return -1;
    const double startSeconds = fields.at(19).toDouble() / sysconf(_SC_CLK_TCK);
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (now.tv_sec + now.tv_nsec / 1e9 - startSeconds) * 1000.0;
}

QList<qint64> ProcessMetrics::tree(qint64 pid)
{
    QMultiHash<qint64, qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 child = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QList<QByteArray> fields = statFields(entry);
        if (fields.size() > 1)
            children.insert(fields.at(1).toLongLong(), child);
    }
    QList<qint64> all;
    QList<qint64> pending {pid};
    while (!pending.isEmpty()) {
        const qint64 next = pending.takeFirst();
        all.append(next);
        pending += children.values(next);
    }
    return all;
}

ProcessMetrics::Pss ProcessMetrics::pssOfTree(qint64 pid)
{
    Pss pss;
    for (const qint64 process : tree(pid)) {
        const Memory memory = memoryOf(process);
        pss.kilobytes += memory.pss;
        pss.privateKilobytes += memory.privateKilobytes;
        ++pss.processes;
    }
    return pss;
}

double ProcessMetrics::cpuMsOfTree(qint64 pid)
{
    // utime and stime are fields 14 and 15 of stat (indexes 11 and 12 after the name).
    double ticks = 0;
    for (const qint64 process : tree(pid)) {
        const QList<QByteArray> fields = statFields(QString::number(process));
        if (fields.size() > 12)
            ticks += fields.at(11).toDouble() + fields.at(12).toDouble();
    }
    return ticks * 1000.0 / sysconf(_SC_CLK_TCK);
}
