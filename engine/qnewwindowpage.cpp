#include "qnewwindowpage.h"

#include "qengineview.h"

#include <QTimer>

namespace {
// A window opened without an address never navigates; it is dropped after this long.
constexpr int kUnusedLifetimeMs = 10000;
} // namespace

QNewWindowPage::QNewWindowPage(QWebEngineProfile *profile, QEngineView *view)
    : QWebEnginePage(profile, view)
    , m_view(view)
{
    QTimer::singleShot(kUnusedLifetimeMs, this, &QObject::deleteLater);
}

bool QNewWindowPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (isMainFrame && !m_served) {
        m_served = true;
        // The view may load another address into itself right away; this page must not be
        // deleted while the browser is still asking it.
        QTimer::singleShot(0, m_view, [view = m_view, url] { view->serveNewWindowRequest(url); });
        deleteLater();
    }
    return false;
}
