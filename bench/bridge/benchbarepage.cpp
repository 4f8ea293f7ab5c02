#include "benchbarepage.h"

#include <cstdio>

QString BenchBarePage::callMarker()
{
    return QStringLiteral("tapwise-bench-call");
}

QString BenchBarePage::reportMarker()
{
    return QStringLiteral("tapwise-bench-report");
}

QString BenchBarePage::constantReply()
{
    // About the size of the shell's reply to queryLogin.
    return QStringLiteral("s{\"data\":{\"login\":false},\"msg\":\"\",\"result\":true}");
}

BenchBarePage::BenchBarePage(bool answerPrompts, QObject *parent)
    : QWebEnginePage(parent)
    , m_answerPrompts(answerPrompts)
{ }

bool BenchBarePage::javaScriptPrompt(const QUrl &securityOrigin, const QString &message,
                                     const QString &defaultValue, QString *result)
{
    if (m_answerPrompts && message == callMarker()) {
        *result = constantReply();
        return true;
    }
    if (message == reportMarker()) {
        emit reported(defaultValue);
        result->clear();
        return true;
    }
    return QWebEnginePage::javaScriptPrompt(securityOrigin, message, defaultValue, result);
}

void BenchBarePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                             int, const QString &)
{
    const QLatin1String resultLead("bench-result ");
    if (message == QLatin1String("bench-loaded"))
        emit pageLoaded();
    else if (message.startsWith(resultLead))
        emit reported(message.mid(resultLead.size()));
    else
        std::fprintf(stderr, "js: %s\n", qPrintable(message));
}
