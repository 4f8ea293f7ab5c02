// mindump <application> <mapping name>: writes a core file and a short summary of the crashed
// process that started it, described in the shared block <mapping name>.

#include "corewriter.h"
#include "crashfolder.h"
#include "crashsummary.h"
#include "dumprequest.h"
#include "procfiles.h"
#include "tracedprocess.h"

#include <QFile>
#include <QStringList>
#include <cstdio>
#include <unistd.h>

namespace {

enum ExitCode { kDone = 0, kUsage = 1, kNoCrash = 2, kNotTraceable = 3, kNotWritten = 4 };

// The crashed process waits for us 30 s at most; copying memory stops after this long ...
constexpr auto kCopyTime = std::chrono::seconds(20);
// ... and should anything hang regardless, the alarm ends us before it stops waiting; the
// kernel then lets the process's threads run again.
constexpr unsigned kHardLimitSeconds = 28;

void report(const QString &message)
{
    std::fprintf(stderr, "mindump: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    alarm(kHardLimitSeconds);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.size() < 2) {
        report(QStringLiteral("usage: mindump <application> <mapping name>"));
        return kUsage;
    }
    // The mapping name ends the command line; a name with blanks arrives in pieces.
    const QString mappingName = arguments.takeLast();
    const QString application = arguments.join(QLatin1Char(' '));

    QString error;
    DumpRequest request;
    if (!request.read(mappingName, &error) || !request.describesCrashedParent(&error)) {
        report(error);
        return kNoCrash;
    }

    CrashFolder folder;
    if (!folder.create(&error)) {
        report(error);
        return kNotWritten;
    }

    CrashSummary summary;
    summary.application = application;
    summary.processId = request.processId();
    summary.threadId = request.threadId();
    summary.time = QDateTime::currentDateTime();
    summary.program = ProcFiles::executable(request.processId());
    const QString base = folder.path() + QLatin1Char('/')
        + folder.baseName(application, request.processId(), summary.time);
    const QString corePath = base + QStringLiteral(".core");
    summary.coreFile = corePath;

    {
        TracedProcess process(request.processId());
        if (!process.attach(&error)) {
            report(error);
            return kNotTraceable;
        }
        siginfo_t signal {};
        summary.hasSignal =
            process.readMemory(request.recordAddress(), &signal, sizeof signal) == sizeof signal
            && signal.si_signo > 0 && signal.si_signo < NSIG;
        if (summary.hasSignal)
            summary.signal = signal;
        summary.threadCount = static_cast<int>(process.threads().size());

        CoreWriter writer(process, request.threadId(), summary.hasSignal ? &signal : nullptr);
        writer.setDeadline(std::chrono::steady_clock::now() + kCopyTime);
        if (!writer.write(corePath, &error)) {
            summary.coreProblem = error;
            QFile::remove(corePath);
        } else if (writer.incomplete()) {
            summary.coreProblem =
                QStringLiteral("memory copy stopped after %1 s").arg(kCopyTime.count());
        }
        // Let the process go before anything else: it is waiting for us.
        process.detach();
    }

    if (!summary.coreProblem.isEmpty())
        report(summary.coreProblem);
    if (!summary.write(base + QStringLiteral(".txt"), &error))
        report(error);
    folder.prune();
    if (QFile::exists(corePath))
        report(QStringLiteral("core written to %1").arg(corePath));
    return summary.coreProblem.isEmpty() || QFile::exists(corePath) ? kDone : kNotWritten;
}
