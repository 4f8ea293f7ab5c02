#pragma once

#include <QWebEnginePage>

class QEngineView;

/// Stands in for a window a page asked to open: takes the window's first navigation, hands its
/// address to the view that asked, and deletes itself without loading anything.
class QNewWindowPage : public QWebEnginePage
{
    Q_OBJECT

public:
    QNewWindowPage(QWebEngineProfile *profile, QEngineView *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    QEngineView *m_view;
    bool m_served = false;
};
