#pragma once

#include <QWebEnginePage>

class QEngineView;

/// The page of a content view: answers bridge prompts, forwards console messages to stderr and
/// sends new-window requests back to its view.
class QEnginePage : public QWebEnginePage
{
    Q_OBJECT

public:
    QEnginePage(QWebEngineProfile *profile, QEngineView *view);

protected:
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    QEngineView *m_view;
};
