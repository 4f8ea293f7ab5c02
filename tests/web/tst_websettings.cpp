// Settings the web view host reads at start: "debug" opens the developer tools, and without
// "path" the page comes from dist/index.html under the working directory. Each function needs
// a fresh process, since the host is built once per process.
#include "qglobalsettings.h"
#include "qmainwidget.h"
#include "qwebbrowser.h"
#include "webhostfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

class TestWebSettings : public QObject
{
    Q_OBJECT

private slots:
    void debugTrueOpensDeveloperTools();
    void debugFalseNeverOpensThem();
    void debugAbsentNeverOpensThem();
    void defaultPageIsDistUnderWorkingDirectory();

private:
    /// Builds the window on the test page and waits until the page has loaded.
    void startOnTestPage();
    /// Visible top-level windows other than the main window.
    QWidgetList otherWindows() const;

    WebHostFixture m_host;
};

void TestWebSettings::startOnTestPage()
{
    WebHostFixture::prepareProcess();
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"),
                              WebHostFixture::testPageUrl());
    m_host.create();
    QVERIFY(m_host.browser()->isReady());
    QVERIFY(!m_host.waitForReport(QStringLiteral("loaded")).isNull());
}

QWidgetList TestWebSettings::otherWindows() const
{
    QWidgetList windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != m_host.window() && widget->isVisible())
            windows << widget;
    }
    return windows;
}

void TestWebSettings::debugTrueOpensDeveloperTools()
{
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("debug"), true);
    startOnTestPage();
    QTRY_VERIFY_WITH_TIMEOUT(!otherWindows().isEmpty(), 30000);
}

void TestWebSettings::debugFalseNeverOpensThem()
{
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("debug"), false);
    startOnTestPage();
    // A full round trip through the page after the load: anything opened at start is shown.
    QVERIFY(!m_host.runStep(QStringLiteral("page")).isNull());
    QVERIFY(otherWindows().isEmpty());
}

void TestWebSettings::debugAbsentNeverOpensThem()
{
    QVERIFY(!QGlobalSettings::value(QStringLiteral("default"), QStringLiteral("debug")).isValid());
    startOnTestPage();
    QVERIFY(!m_host.runStep(QStringLiteral("page")).isNull());
    QVERIFY(otherWindows().isEmpty());
}

void TestWebSettings::defaultPageIsDistUnderWorkingDirectory()
{
    // The test runs in a folder of its own; give it a dist/index.html there.
    QVERIFY(QDir().mkpath(QStringLiteral("dist")));
    QFile::remove(QStringLiteral("dist/index.html"));
    QVERIFY(QFile::copy(QUrl(WebHostFixture::testPageUrl()).toLocalFile(),
                        QStringLiteral("dist/index.html")));
    WebHostFixture::prepareProcess();
    QVERIFY(!QGlobalSettings::value(QStringLiteral("default"), QStringLiteral("path")).isValid());
    m_host.create();
    const Json::Value loaded = m_host.waitForReport(QStringLiteral("loaded"));
    QVERIFY(!loaded.isNull());
    // The document the page reports is that very file, however its address was spelt.
    const QString href = QString::fromStdString(loaded["href"].asString());
    const QUrl url(href);
    QVERIFY2(url.isLocalFile(), qPrintable(href));
    const QFileInfo served(url.toLocalFile());
    QVERIFY2(served.isFile(), qPrintable(href));
    QCOMPARE(served.canonicalFilePath(),
             QFileInfo(QStringLiteral("dist/index.html")).canonicalFilePath());
    QVERIFY2(href.startsWith(QStringLiteral("file:///"))
                 && !href.startsWith(QStringLiteral("file:////")),
             qPrintable(href));
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    TestWebSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_websettings.moc"
