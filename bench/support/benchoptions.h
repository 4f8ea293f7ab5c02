#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QCoreApplication;
class QTemporaryDir;

/// The command line shared by the bridge benchmarks: [--engine node.so] [--page bench.html]
/// [--calls 5000] [--idle 300] [--burst 20000] [--warmup 200] [--pushes 200000] [--chunk 1000].
struct BenchOptions
{
    /// The bench page with the counts of calls, idle requests, burst and warm-up in its query.
    QUrl page;
    int pushes = 0;
    /// Pushes made per event-loop turn; 0 makes them all in one turn.
    int chunk = 0;
    /// Empty unless the program asked for an engine option.
    QString engine;
};

/// Parses the application's arguments; --engine is offered only with a default engine path.
BenchOptions parseBenchOptions(const QCoreApplication &application, const QString &defaultPage,
                               const QString &defaultEngine = QString());
/// The same, from a program's arguments (the program's name first).
BenchOptions parseBenchOptions(const QStringList &arguments, const QString &defaultPage,
                               const QString &defaultEngine = QString());

/// Points the shell's account state, logs and instance guard at the given folder, never the
/// user's, and leaves Chromium's sandbox when running as root. Call before the application exists.
void isolateShellState(const QTemporaryDir &state);
