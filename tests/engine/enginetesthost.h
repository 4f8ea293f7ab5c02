#pragma once

#include "engineapi.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QWebEngineView;
class QWidget;

/// What the engine reported through the host's callbacks.
struct LoadReport
{
    QString url;
    int result = -1;
    QString reason;
};

/**
 * A host for engine tests: loads the engine like the shell does, keeps a parent widget and a
 * view, records the callbacks, and reads page state through the view's widget.
 */
class EngineTestHost
{
public:
    static EngineTestHost &instance();

    EngineApi api;
    QWidget *frame = nullptr;
    wkeWebView view = nullptr;
    QVector<LoadReport> loads;
    QStringList newWindowRequests;
    bool refuseNewWindows = false;

    /// Loads the library; the caller checks api.error() on failure.
    bool loadEngine();
    /// Creates the parent widget and a child view at (0, 0), 640 x 400, shown.
    wkeWebView createView();
    QWebEngineView *webView(wkeWebView handle) const;
    /// Loads a URL with wkeLoadURLW and waits for its loading-finished report.
    LoadReport loadAndWait(const QString &url);
    /// Runs a script in the view's page and waits for its result (invalid after 10 s).
    QVariant evaluate(const QString &script, wkeWebView handle = nullptr);

    static QString pageUrl(const QString &name);
    static QString pagesDir();
    /// A script string literal holding text exactly (every unusual character escaped).
    static QString literal(const QString &text);

private:
    EngineTestHost() = default;
};
