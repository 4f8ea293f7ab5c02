#pragma once
// Small readers of a process's files under /proc.

#include <QByteArray>
#include <QString>
#include <sys/types.h>
#include <vector>

namespace ProcFiles {

/// The whole content of a /proc file (their size is not known in advance); empty on failure.
QByteArray read(const QString &path);

/// Thread ids listed in /proc/<pid>/task.
std::vector<pid_t> threadIds(pid_t pid);

/// The executable's path, from /proc/<pid>/exe.
QString executable(pid_t pid);

/// The one-letter state from /proc/<pid>/stat ('R', 'S', 'Z' ...), or 0 when there is none.
char state(pid_t pid);

/// The fields of /proc/<pid>/stat after the command name: index 0 is the state.
QList<QByteArray> statFields(pid_t pid);

/// The command name from /proc/<pid>/stat, without its parentheses.
QByteArray commandName(pid_t pid);

} // namespace ProcFiles
