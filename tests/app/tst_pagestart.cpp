// Which configured page the program loads, and that closing its window ends it: the address
// checks directly, the whole program as a process.
#include "qmainwidget.h"
#include "testpaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

// Whether a window of that title belongs to the process now.
bool hasWindow(const QProcess &process, const QString &title)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--pid"),
                  QString::number(process.processId()), QStringLiteral("--name"),
                  QStringLiteral("^%1$").arg(title)});
    search.waitForFinished(5000);
    return !search.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

class PageStartTest : public QObject
{
    Q_OBJECT

private slots:
    void unusablePagesAreNamed_data();
    void unusablePagesAreNamed();
    void closingTheWindowEndsTheProgram_data();
    void closingTheWindowEndsTheProgram();

private:
    QTemporaryDir m_directory;
};

void PageStartTest::unusablePagesAreNamed_data()
{
    QVERIFY(m_directory.isValid());
    const QString page = m_directory.filePath(QStringLiteral("a,b/page.html"));
    QVERIFY(QDir().mkpath(QFileInfo(page).path()));
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("problem");
    QTest::newRow("http") << QStringLiteral("http://127.0.0.1:1/index.html") << QString();
    QTest::newRow("https") << QStringLiteral("https://example.com/") << QString();
    QTest::newRow("file address") << QUrl::fromLocalFile(page).toString() << QString();
    QTest::newRow("plain path") << page << QString();
    QTest::newRow("missing file")
        << QUrl::fromLocalFile(m_directory.filePath(QStringLiteral("missing.html"))).toString()
        << QStringLiteral("no such file");
    QTest::newRow("missing path") << m_directory.filePath(QStringLiteral("missing.html"))
                                  << QStringLiteral("no such file");
    QTest::newRow("folder") << QUrl::fromLocalFile(m_directory.path()).toString()
                            << QStringLiteral("a folder, not a page");
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)")
                            << QStringLiteral("\"javascript:\" addresses are not pages");
    QTest::newRow("script, capitals") << QStringLiteral(" JavaScript:alert(1)")
                                      << QStringLiteral("\"javascript:\" addresses are not pages");
    QTest::newRow("data") << QStringLiteral("data:text/html,<p>x</p>")
                          << QStringLiteral("\"data:\" addresses are not pages");
    QTest::newRow("relative") << QStringLiteral("dist/index.html")
                              << QStringLiteral("not an address");
}

void PageStartTest::unusablePagesAreNamed()
{
    QFETCH(QString, address);
    QFETCH(QString, problem);
    QCOMPARE(QMainWidget::pageProblem(address), problem);
}

void PageStartTest::closingTheWindowEndsTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("debug");
    QTest::newRow("plain") << QStringLiteral("pages") << false;
    QTest::newRow("developer tools open") << QStringLiteral("pages") << true;
    QTest::newRow("comma in the page's path") << QStringLiteral("a,b") << false;
}

void PageStartTest::closingTheWindowEndsTheProgram()
{
    QFETCH(QString, folder);
    QFETCH(bool, debug);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString page = QDir(work.path()).filePath(folder + QStringLiteral("/closing.html"));
    QVERIFY(QDir().mkpath(QFileInfo(page).path()));
    QVERIFY(QFile::copy(TestPaths::sourceDir() + QStringLiteral("/tests/app/pages/closing.html"),
                        page));
    QFile settings(QDir(work.path()).filePath(QStringLiteral("app.ini")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[default]\npath=" + QUrl::fromLocalFile(page).toEncoded()
                   + (debug ? "\ndebug=true\n" : "\n"));
    settings.close();

    QProcess program;
    program.setWorkingDirectory(work.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(TestPaths::outputDir() + QStringLiteral("/tapwise"), QStringList());
    QVERIFY(program.waitForStarted(10000));
    // The page closes the window three seconds after loading; the developer tools open before.
    bool sawTools = false;
    for (int i = 0; i < 600 && program.state() == QProcess::Running; ++i) {
        sawTools = sawTools || (debug && hasWindow(program, QStringLiteral("Developer Tools")));
        program.waitForFinished(100);
    }
    const bool ended = program.state() == QProcess::NotRunning;
    if (!ended) {
        program.kill();
        program.waitForFinished(10000);
    }
    QVERIFY2(ended, "the program still ran a minute after its page closed the window");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(sawTools, debug);
}

QTEST_MAIN(PageStartTest)
#include "tst_pagestart.moc"
