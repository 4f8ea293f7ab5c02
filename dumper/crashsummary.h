#pragma once

#include <QDateTime>
#include <QString>
#include <csignal>
#include <sys/types.h>

/// The short text beside a core: which program crashed, where, how and when.
class CrashSummary
{
public:
    QString application;
    QString program;
    pid_t processId = 0;
    pid_t threadId = 0;
    int threadCount = 0;
    bool hasSignal = false;
    siginfo_t signal {};
    QDateTime time;
    QString coreFile;
    /// Empty when the core was written in full, else what went wrong.
    QString coreProblem;

    /// "SIGSEGV" and the like, or the number for a signal without a name.
    static QString signalName(int signal);

    QString text() const;
    bool write(const QString &path, QString *error) const;
};
