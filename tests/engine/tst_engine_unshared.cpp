// A host that did not set Qt::AA_ShareOpenGLContexts before creating its application object
// (and, like the shell, does not link the browser itself): the engine says so and still works.

#include "engineapi.h"
#include "privatebrowserdata.h"
#include "testpaths.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryFile>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <string>
#include <unistd.h>

namespace {

EngineApi g_api;
QString g_report;
int g_loads = 0;
int g_lastResult = -1;

jsValue WKE_CALL answer(jsExecState state)
{
    return g_api.string(state, "still works");
}

jsValue WKE_CALL report(jsExecState state)
{
    const char *text = g_api.toString(state, g_api.arg(state, 0));
    g_report = text ? QString::fromUtf8(text) : QStringLiteral("(no text)");
    return g_api.undefined();
}

void WKE_CALL onLoadingFinish(wkeWebView, void *, const wchar_t *, wkeLoadingResult result,
                              const wchar_t *)
{
    ++g_loads;
    g_lastResult = result;
}

} // namespace

class tst_EngineUnshared : public QObject
{
    Q_OBJECT

private slots:
    void worksAndWarns();
};

void tst_EngineUnshared::worksAndWarns()
{
    QVERIFY(!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
    QVERIFY2(g_api.load(), qPrintable(g_api.error()));

    QTemporaryFile log;
    QVERIFY(log.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(log.handle(), STDERR_FILENO);
    g_api.initializeEx(nullptr);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile written(log.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray warnings = written.readAll();
    QVERIFY2(warnings.contains("AA_ShareOpenGLContexts"), warnings.constData());

    g_api.bindFunction("answer", answer, 0);
    g_api.bindFunction("report", report, 1);
    QWidget frame;
    frame.resize(400, 300);
    frame.show();
    const wkeWebView view = g_api.createWebWindow(
        WKE_WINDOW_TYPE_CONTROL, static_cast<wkeHostWindow>(frame.winId()), 0, 0, 400, 300);
    QVERIFY(view);
    g_api.showWindow(view, true);
    g_api.onLoadingFinish(view, onLoadingFinish, nullptr);
    const std::wstring url =
        QUrl::fromLocalFile(TestPaths::sourceDir()
                            + QStringLiteral("/tests/engine/pages/bridge.html"))
            .toString()
            .toStdWString();
    g_api.loadURLW(view, url.c_str());
    QTRY_COMPARE_WITH_TIMEOUT(g_loads, 1, 15000);
    QCOMPARE(g_lastResult, int(WKE_LOADING_SUCCEEDED));

    g_api.runJSW(view, L"report(answer())");
    QTRY_COMPARE(g_report, QStringLiteral("still works"));

    // The page is drawn (it is blue).
    QVERIFY(g_api.getWindowHandle(view));
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QPoint centre = frame.mapToGlobal(QPoint(200, 150));
    QTRY_COMPARE(QGuiApplication::primaryScreen()
                     ->grabWindow(0, centre.x(), centre.y(), 1, 1)
                     .toImage()
                     .pixelColor(0, 0),
                 QColor(0x33, 0x66, 0xcc));

    g_api.finalize();
    g_api.destroyWebView(view);
}

int main(int argc, char **argv)
{
    const PrivateBrowserData browserData;
    QApplication application(argc, argv);
    tst_EngineUnshared test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_engine_unshared.moc"
