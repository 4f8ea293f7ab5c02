#include "qenginelog.h"

#include <QByteArray>

#include <cstdio>

void QEngineLog::warning(const QString &message)
{
    writeLine("engine: warning: " + message.toUtf8());
}

void QEngineLog::consoleMessage(const QString &source, int line, const QString &message)
{
    QString text = message;
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    writeLine("js: " + source.toUtf8() + ':' + QByteArray::number(line) + ": " + text.toUtf8());
}

void QEngineLog::writeLine(const QByteArray &line)
{
    const QByteArray whole = line + '\n';
    std::fwrite(whole.constData(), 1, static_cast<size_t>(whole.size()), stderr);
    std::fflush(stderr);
}
