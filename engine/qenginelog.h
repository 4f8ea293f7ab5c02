#pragma once

#include <QString>

/// The engine's diagnostics: one line each on stderr, written whole.
class QEngineLog
{
public:
    static void warning(const QString &message);
    /// A page's console message as "js: <source>:<line>: <message>", line breaks escaped.
    static void consoleMessage(const QString &source, int line, const QString &message);
    static void writeLine(const QByteArray &line);
};
