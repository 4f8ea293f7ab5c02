#include "enginetesthost.h"

#include "testpaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

#include <memory>
#include <string>

namespace {

void WKE_CALL onLoadingFinish(wkeWebView, void *param, const wchar_t *url, wkeLoadingResult result,
                              const wchar_t *reason)
{
    auto *host = static_cast<EngineTestHost *>(param);
    host->loads.append(LoadReport {QString::fromWCharArray(url), static_cast<int>(result),
                                   reason ? QString::fromWCharArray(reason) : QString()});
}

wkeWebView WKE_CALL onCreateView(wkeWebView view, void *param, const wchar_t *url)
{
    auto *host = static_cast<EngineTestHost *>(param);
    host->newWindowRequests.append(QString::fromWCharArray(url));
    return host->refuseNewWindows ? nullptr : view;
}

} // namespace

EngineTestHost &EngineTestHost::instance()
{
    static EngineTestHost host;
    return host;
}

bool EngineTestHost::loadEngine()
{
    return api.load();
}

wkeWebView EngineTestHost::createView()
{
    if (!frame) {
        frame = new QWidget;
        frame->resize(800, 600);
        frame->show();
    }
    view = api.createWebWindow(WKE_WINDOW_TYPE_CONTROL, static_cast<wkeHostWindow>(frame->winId()),
                               0, 0, 640, 400);
    if (view) {
        api.showWindow(view, true);
        api.onLoadingFinish(view, onLoadingFinish, this);
        api.onCreateView(view, onCreateView, this);
        api.setMouseEnabled(view, true);
    }
    return view;
}

QWebEngineView *EngineTestHost::webView(wkeWebView handle) const
{
    return qobject_cast<QWebEngineView *>(
        QWidget::find(static_cast<WId>(api.getWindowHandle(handle ? handle : view))));
}

LoadReport EngineTestHost::loadAndWait(const QString &url)
{
    const int before = loads.size();
    const std::wstring address = url.toStdWString();
    api.loadURLW(view, address.c_str());
    QElapsedTimer timer;
    timer.start();
    while (loads.size() == before && timer.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return loads.size() > before ? loads.last() : LoadReport {};
}

QVariant EngineTestHost::evaluate(const QString &script, wkeWebView handle)
{
    struct Answer
    {
        bool done = false;
        QVariant value;
    };
    auto answer = std::make_shared<Answer>();
    webView(handle)->page()->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!answer->done && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return answer->value;
}

QString EngineTestHost::pagesDir()
{
    return TestPaths::sourceDir() + QStringLiteral("/tests/engine/pages");
}

QString EngineTestHost::pageUrl(const QString &name)
{
    return QUrl::fromLocalFile(pagesDir() + QLatin1Char('/') + name).toString();
}

QString EngineTestHost::literal(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}
