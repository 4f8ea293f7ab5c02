// Binding the engine library: a missing library or entry point is named to the user, binding
// fails, and a main window built without an engine ends the program with an error instead of
// showing an empty window.
#include "enginebinding.h"
#include "qmainwidget.h"
#include "qwebbrowser.h"
#include "webhostfixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

struct SeenMessage
{
    QString caption;
    QString text;
};

// Answers every message box as it shows, recording what it said.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (box && box->isVisible()) {
                    seen.append({box->windowTitle(), box->text()});
                    box->accept();
                }
            }
        });
        m_poll.start();
    }
    QVector<SeenMessage> seen;

private:
    QTimer m_poll;
};

} // namespace

class TestEngineBinding : public QObject
{
    Q_OBJECT

private slots:
    void missingLibraryIsNamed();
    void missingEntryPointIsNamed();
    void windowWithoutEngineEndsWithError();
};

void TestEngineBinding::missingLibraryIsNamed()
{
    MessageBoxCloser closer;
    const QString path = QStringLiteral("/no/such/dir/node.so");
    QVERIFY(!bindEngineLibrary(path, nullptr));
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].caption, path);
    QVERIFY(!closer.seen[0].text.isEmpty());
    QVERIFY(!EngineBinding::table().wkeCreateWebWindow);
}

void TestEngineBinding::missingEntryPointIsNamed()
{
    MessageBoxCloser closer;
    const QString path =
        QCoreApplication::applicationDirPath() + QStringLiteral("/partialengine.so");
    QVERIFY(QFileInfo::exists(path));
    QVERIFY(!bindEngineLibrary(path, nullptr));
    QCOMPARE(closer.seen.size(), 1);
    // wkeShutdown is there; the next name in binding order is the first gap.
    QCOMPARE(closer.seen[0].caption, QStringLiteral("wkeFinalize"));
    QCOMPARE(closer.seen[0].text, QStringLiteral("wke api not found"));

    using Count = int (*)();
    const auto count =
        reinterpret_cast<Count>(QLibrary(path).resolve("partialEngineInitializeCount"));
    QVERIFY(count);
    QCOMPARE(count(), 1);
    QVERIFY(!EngineBinding::table().wkeShutdown);
    QVERIFY(!EngineBinding::table().jsBindFunction);
}

void TestEngineBinding::windowWithoutEngineEndsWithError()
{
    // No node.so beside this test program.
    QVERIFY(!QFileInfo::exists(EngineBinding::libraryPath()));
    MessageBoxCloser closer;
    WebHostFixture::prepareProcess();
    WebHostFixture host;
    host.create();
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].caption, EngineBinding::libraryPath());
    QVERIFY(host.browser());
    QVERIFY(!host.browser()->isReady());
    QVERIFY(!host.window()->isVisible());

    // Nothing reaches the missing engine.
    host.browser()->loadUrl(WebHostFixture::testPageUrl());
    host.browser()->setViewGeometry(0, 0, 10, 10);
    host.browser()->pushMessage(QStringLiteral("x"), Json::Value());
    host.browser()->focusView();
    QCOMPARE(host.browser()->viewWidth(), 0);

    QCOMPARE(QCoreApplication::exec(), 1);
    QVERIFY(!host.window()->isVisible());
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    TestEngineBinding test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_enginebinding.moc"
