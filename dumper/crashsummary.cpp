#include "crashsummary.h"

#include <QFile>
#include <QTextStream>
#include <cstring>

QString CrashSummary::signalName(int signal)
{
    const char *name = signal > 0 && signal < NSIG ? sigabbrev_np(signal) : nullptr;
    return name ? QStringLiteral("SIG") + QString::fromLatin1(name) : QString::number(signal);
}

QString CrashSummary::text() const
{
    QString text;
    QTextStream out(&text);
    out << "Program: " << program << " (" << application << ")\n";
    out << "Process id: " << processId << "\n";
    out << "Thread id: " << threadId << "\n";
    if (hasSignal) {
        out << "Signal: " << signalName(signal.si_signo) << " (" << signal.si_signo << "), code "
            << signal.si_code;
        // A positive code means the kernel raised it (a fault, with its address); otherwise
        // a process sent it.
        const bool fault = signal.si_signo == SIGSEGV || signal.si_signo == SIGBUS
            || signal.si_signo == SIGFPE || signal.si_signo == SIGILL;
        if (signal.si_code > 0 && fault)
            out << ", address 0x"
                << QString::number(reinterpret_cast<quintptr>(signal.si_addr), 16);
        else if (signal.si_code <= 0)
            out << ", sent by process " << signal.si_pid;
        out << "\n";
    } else {
        out << "Signal: unknown\n";
    }
    out << "Time: " << time.toString(Qt::ISODate) << "\n";
    out << "Threads: " << threadCount << "\n";
    out << "Core: " << coreFile << "\n";
    if (!coreProblem.isEmpty())
        out << "Core problem: " << coreProblem << "\n";
    return text;
}

bool CrashSummary::write(const QString &path, QString *error) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray content = text().toUtf8();
    if (file.write(content) != content.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
