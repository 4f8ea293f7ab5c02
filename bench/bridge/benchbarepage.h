#pragma once

#include <QWebEnginePage>

/// The bare view's page: hears the bench page's console lines and, when asked to, answers the
/// bench page's prompt() calls at once, as the cheapest bridge the engine allows.
class BenchBarePage : public QWebEnginePage
{
    Q_OBJECT

public:
    /// The prompt() message of a timed call, answered with constantReply().
    static QString callMarker();
    /// The prompt() message that carries the page's results as its default value.
    static QString reportMarker();
    static QString constantReply();

    BenchBarePage(bool answerPrompts, QObject *parent);

signals:
    /// The page logged that it has loaded.
    void pageLoaded();
    void reported(const QString &json);

protected:
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message,
                          const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceId) override;

private:
    bool m_answerPrompts = false;
};
