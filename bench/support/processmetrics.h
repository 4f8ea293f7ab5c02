#pragma once

#include <QList>
#include <QtGlobal>

/// Cost figures of a running process, read from /proc.
class ProcessMetrics
{
public:
    /// A process and all its descendants, the process first.
    static QList<qint64> tree(qint64 pid);
    struct Pss
    {
        qint64 kilobytes = 0;
        /// Pages no process outside the tree maps: unlike the PSS, independent of whatever
        /// else on the machine maps the same libraries.
        qint64 privateKilobytes = 0;
        int processes = 0;
    };

    /// Milliseconds since the kernel started this process (10 ms resolution).
    static double msSinceProcessStart();
    /// Proportional set size of a process and all its descendants (the browser's helpers).
    static Pss pssOfTree(qint64 pid);
    /// Processor time (user and system) used so far by a process and its living descendants.
    static double cpuMsOfTree(qint64 pid);
};
