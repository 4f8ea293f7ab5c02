#pragma once

#include "qdtareply.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <json/json.h>

class QMainWidget;
class QWebBrowser;
class QWidget;

/// Drives the test page (pages/bridge.html) inside a real main window: steps go to the page as
/// onMessage pushes, the page answers through the "report" host command.
class WebHostFixture : public QObject
{
    Q_OBJECT
public:
    /// Sets up the account library and the settings the window reads; call before create().
    static void prepareProcess();
    static QString testPageUrl(const QString &query = QString());

    /// Registers "report" and builds the main window.
    void create();
    QMainWidget *window() const { return m_window; }
    QWebBrowser *browser() const;
    /// The engine's view widget inside the browser frame.
    QWidget *viewWidget() const;

    /// Runs one step of the page and returns its report; null when none came.
    Json::Value runStep(const QString &step, const Json::Value &args = Json::Value());
    /// Waits for the next report of this kind after index from; null when none came.
    Json::Value waitForReport(const QString &kind, int from = 0, int timeoutMs = 30000);
    /// Index the next report will get.
    int reportCount() const { return m_reports.size(); }
    QVector<Json::Value> reports() const { return m_reports; }

    static Json::Value parse(const QString &text);
    static Json::Value object(std::initializer_list<std::pair<const char *, Json::Value>> members);

private:
    QMainWidget *m_window = nullptr;
    QVector<Json::Value> m_reports;
    int m_nextStep = 0;
};
