// The page in the real shell: it loads with the bridge bound, a typing session driven by real
// key events (xdotool under Xvfb) completes the first lesson, the close button drawn by the page
// ends the program with exit code 0, and the saved progress is there at the next start. Two
// profiles signed in one after the other through the login form each see their own progress,
// and the page speaks the shell's language and hands its own switch to the shell to keep.
#include "csetting.h"
#include "testpaths.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kStartTimeoutMs = 60000;
constexpr int kTypingDelayMs = 60;
// Half the height of the page's title bar, and half the width of its close button.
constexpr int kTitleBarMiddle = 23;
constexpr int kCloseButtonMiddleFromRight = 23;
// On the product name at the left of the page's title bar: nothing there takes focus, so the
// next Tab goes to the title bar's first button.
constexpr int kBrandX = 70;

QString runXdotool(const QStringList &arguments, bool *ok = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    const bool finished = process.waitForFinished(30000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString rootWindow()
{
    QProcess process;
    process.start(QStringLiteral("xwininfo"), {QStringLiteral("-root")});
    process.waitForFinished(10000);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Window id: (0x[0-9a-f]+)"))
            .match(QString::fromLocal8Bit(process.readAllStandardOutput()));
    return match.captured(1);
}

} // namespace

class PageShellTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void typedLessonCompletesAndCloseButtonQuits();
    void progressIsKeptForTheNextStart();
    void profilesSignedInOneAfterAnotherSeeTheirOwnProgress();
    void pageSpeaksTheShellLanguageAndTheShellKeepsItsSwitch();

private:
    bool start();
    bool useLanguage(const QString &language);
    bool focusWindow();
    bool typeFirstLesson();
    bool clickClose();
    bool pressTitleBarButton(int tabs);
    bool signInThroughForm(const QString &name, bool formHasAName);
    QString log();
    bool logHas(const QString &pattern);
    int signInAnswers();

    QTemporaryDir m_home;
    QProcess m_app;
    QByteArray m_stderr;
    QString m_window;
};

void PageShellTest::initTestCase()
{
    QVERIFY2(QFileInfo::exists(TestPaths::outputDir() + QStringLiteral("/tapwise")),
             "the shell is not built");
    QVERIFY2(QFileInfo::exists(TestPaths::outputDir() + QStringLiteral("/dist/index.html")),
             "the page is not in dist/");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "xdotool is missing (Debian package xdotool)");
    QVERIFY2(!rootWindow().isEmpty(), "xwininfo is missing (Debian package x11-utils)");
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display (run under xvfb-run)");
    // The shell's settings store is read here too, from the folder the shell will use.
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME",
            QFile::encodeName(m_home.filePath(QStringLiteral("XDG_CONFIG_HOME"))));
}

// Sets the shell's language before it starts, as its own switch would. The shipped app.ini
// says zh, and a Chinese page opens on pinyin: the tests of the graded lessons start in English.
bool PageShellTest::useLanguage(const QString &language)
{
    QString error;
    const bool ok =
        CSetting::setString(QStringLiteral("language"), QStringLiteral("type"), language, &error);
    if (!ok)
        qWarning("cannot set the language: %s", qPrintable(error));
    return ok;
}

// Fresh account, browser-profile and runtime folders: a first start with no saved progress.
void PageShellTest::init()
{
    QVERIFY(m_home.isValid());
    for (const char *name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = m_home.filePath(QString::fromLatin1(name));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

void PageShellTest::cleanup()
{
    if (m_app.state() != QProcess::NotRunning) {
        m_app.kill();
        m_app.waitForFinished(10000);
    }
}

QString PageShellTest::log()
{
    m_stderr += m_app.readAllStandardError();
    return QString::fromUtf8(m_stderr);
}

bool PageShellTest::logHas(const QString &pattern)
{
    return log().contains(QRegularExpression(pattern));
}

int PageShellTest::signInAnswers()
{
    return log().count(QStringLiteral("Tapwise: sign-in state: "));
}

// Starts the program in the run folder and waits until the page says it is ready.
bool PageShellTest::start()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        environment.insert(QString::fromLatin1(name), m_home.filePath(QString::fromLatin1(name)));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    m_stderr.clear();
    m_app.setProcessEnvironment(environment);
    m_app.setWorkingDirectory(TestPaths::outputDir());
    m_app.start(TestPaths::outputDir() + QStringLiteral("/tapwise"), QStringList());
    if (!m_app.waitForStarted(10000))
        return false;
    const bool ready = QTest::qWaitFor(
        [this] { return logHas(QStringLiteral("Tapwise: page ready \\(in the shell, ")); },
        kStartTimeoutMs);
    // The visible top-level window of our process (other tests may show Tapwise windows too);
    // --all: by default a window meeting any one condition would do.
    return ready
        && QTest::qWaitFor(
               [this] {
                   m_window = runXdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                          QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                          QString::number(m_app.processId()),
                                          QStringLiteral("--name"), QStringLiteral("^Tapwise$")})
                                  .section('\n', 0, 0);
                   return !m_window.isEmpty();
               },
               30000);
}

// Focus leaves the window and comes back, which makes the page ask "queryLogin"
// asynchronously; the answer comes through onMessage. Returns whether it came.
bool PageShellTest::focusWindow()
{
    const int answersBefore = signInAnswers();
    bool ok = false;
    runXdotool({QStringLiteral("windowfocus"), rootWindow()}, &ok);
    if (!ok)
        return false;
    runXdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window}, &ok);
    return ok && QTest::qWaitFor([&] { return signInAnswers() > answersBefore; }, 30000);
}

// Lesson 1 with one wrong key corrected: 44 keystrokes, 43 right.
bool PageShellTest::typeFirstLesson()
{
    const QString delay = QString::number(kTypingDelayMs);
    bool typed = false;
    bool corrected = false;
    bool rest = false;
    runXdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), delay, QStringLiteral("fff jjj k")},
        &typed);
    runXdotool({QStringLiteral("key"), QStringLiteral("BackSpace")}, &corrected);
    runXdotool({QStringLiteral("type"), QStringLiteral("--delay"), delay,
                QStringLiteral("fjf jfj ff jj fj jf fjj jff jfj fjf")},
               &rest);
    return typed && corrected && rest
        && QTest::qWaitFor([this] { return logHas(QStringLiteral("lesson home-fj finished: ")); },
                           30000);
}

// Clicks the close button at the right end of the page's title bar.
bool PageShellTest::clickClose()
{
    const QString geometry = runXdotool({QStringLiteral("getwindowgeometry"), m_window});
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
    if (!size.hasMatch())
        return false;
    bool ok = false;
    runXdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
                QString::number(size.captured(1).toInt() - kCloseButtonMiddleFromRight),
                QString::number(kTitleBarMiddle), QStringLiteral("click"), QStringLiteral("1")},
               &ok);
    return ok;
}

// Focuses the title bar's buttons from their start and presses the one tabs steps in: 1 the
// sign-in refresh, 2 sign-in, 3 the language switch.
bool PageShellTest::pressTitleBarButton(int tabs)
{
    bool ok = false;
    runXdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
                QString::number(kBrandX), QString::number(kTitleBarMiddle), QStringLiteral("click"),
                QStringLiteral("1")},
               &ok);
    for (int i = 0; ok && i < tabs; ++i)
        runXdotool({QStringLiteral("key"), QStringLiteral("Tab")}, &ok);
    if (ok)
        runXdotool({QStringLiteral("key"), QStringLiteral("Return")}, &ok);
    return ok;
}

// Signs in through the account library's form, opened by the page's sign-in button, and waits
// until the page has opened that profile's progress. A form that opens with a name in it has
// the password field focused.
bool PageShellTest::signInThroughForm(const QString &name, bool formHasAName)
{
    const int opened = log().count(QStringLiteral("Tapwise: progress of profile:%1:").arg(name));
    if (!pressTitleBarButton(2))
        return false;
    QString form;
    const bool shown = QTest::qWaitFor(
        [&] {
            form = runXdotool({QStringLiteral("search"), QStringLiteral("--all"),
                               QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                               QString::number(m_app.processId()), QStringLiteral("--name"),
                               QStringLiteral("^(登录|Sign in)$")})
                       .section('\n', 0, 0);
            return !form.isEmpty();
        },
        30000);
    if (!shown)
        return false;
    bool ok = false;
    runXdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), form}, &ok);
    if (ok && formHasAName)
        runXdotool({QStringLiteral("key"), QStringLiteral("shift+Tab")}, &ok);
    if (ok)
        runXdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}, &ok);
    if (ok)
        runXdotool({QStringLiteral("type"), QStringLiteral("--delay"),
                    QString::number(kTypingDelayMs), name},
                   &ok);
    if (ok)
        runXdotool({QStringLiteral("key"), QStringLiteral("Return")}, &ok);
    return ok
        && QTest::qWaitFor(
               [&] {
                   return log().count(QStringLiteral("Tapwise: progress of profile:%1:").arg(name))
                       > opened;
               },
               30000);
}

void PageShellTest::typedLessonCompletesAndCloseButtonQuits()
{
    QVERIFY(useLanguage(QStringLiteral("en")));
    QVERIFY2(start(), qPrintable(log()));
    // A first start offers lesson 1, with a sign-in answer from the real bridge.
    QVERIFY2(logHas(QStringLiteral("page ready \\([^)]*sign-in: (in|out), lesson home-fj\\)")),
             qPrintable(log()));

    QVERIFY2(focusWindow(), qPrintable(log()));
    const QString latest = log().mid(log().lastIndexOf(QStringLiteral("sign-in state: ")));
    QVERIFY2(latest.contains(QRegularExpression(QStringLiteral("^sign-in state: (in|out)\\n"))),
             qPrintable(log()));

    QVERIFY2(typeFirstLesson(), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("lesson home-fj finished: [0-9.]+ WPM, 97\\.7% accuracy, "
                                   "44 keystrokes, passed")),
             qPrintable(log()));

    QVERIFY(clickClose());
    QVERIFY2(m_app.waitForFinished(30000), "the close button did not end the program");
    QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_app.exitCode(), 0);
    // No script error reached the console on the way.
    QVERIFY2(!logHas(QStringLiteral("js: .*(Uncaught|Error)")), qPrintable(log()));
}

void PageShellTest::progressIsKeptForTheNextStart()
{
    QVERIFY(useLanguage(QStringLiteral("en")));
    QVERIFY2(start(), qPrintable(log()));
    QVERIFY2(focusWindow(), qPrintable(log()));
    QVERIFY2(typeFirstLesson(), qPrintable(log()));
    // Closed right after the lesson: nothing written may be lost on the way out.
    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));
    QCOMPARE(m_app.exitCode(), 0);

    QVERIFY2(start(), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("page ready \\([^)]*, lesson home-dk\\)")), qPrintable(log()));
    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));
    QCOMPARE(m_app.exitCode(), 0);
}

void PageShellTest::profilesSignedInOneAfterAnotherSeeTheirOwnProgress()
{
    QVERIFY(useLanguage(QStringLiteral("en")));
    QVERIFY2(start(), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("progress of guest: ")), qPrintable(log()));

    // Ada signs in: the shell tells the page at once, without a change of focus to ask again.
    QVERIFY2(signInThroughForm(QStringLiteral("Ada"), false), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("sign-in state: in, pushed by the shell\n")), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("progress of profile:Ada: 0 passed, 0 runs\n")),
             qPrintable(log()));
    QVERIFY2(focusWindow(), qPrintable(log()));
    QVERIFY2(typeFirstLesson(), qPrintable(log()));

    // Ben, signed in on top of Ada, starts from nothing; Ada's lesson stays hers.
    QVERIFY2(signInThroughForm(QStringLiteral("Ben"), true), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("progress of profile:Ben: 0 passed, 0 runs\n")),
             qPrintable(log()));
    QVERIFY2(signInThroughForm(QStringLiteral("Ada"), true), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("progress of profile:Ada: 1 passed, 1 runs\n")),
             qPrintable(log()));

    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));
    QCOMPARE(m_app.exitCode(), 0);
    QVERIFY2(!logHas(QStringLiteral("js: .*(Uncaught|Error)")), qPrintable(log()));

    // Ada is remembered and signed in again at the next start, with her progress.
    QVERIFY2(start(), qPrintable(log()));
    QVERIFY2(
        QTest::qWaitFor(
            [this] { return logHas(QStringLiteral("progress of profile:Ada: 1 passed")); }, 30000),
        qPrintable(log()));
    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));
}

void PageShellTest::pageSpeaksTheShellLanguageAndTheShellKeepsItsSwitch()
{
    // The run folder's app.ini says lang=zh: the page speaks Chinese with the shell's dialogs.
    QVERIFY2(start(), qPrintable(log()));
    QVERIFY2(logHas(QStringLiteral("page ready \\(in the shell, zh, [^)]*lesson initials-bpmf\\)")),
             qPrintable(log()));
    QVERIFY(pressTitleBarButton(3));
    QVERIFY2(QTest::qWaitFor(
                 [this] { return logHas(QStringLiteral("language: en \\(kept by the shell\\)")); },
                 30000),
             qPrintable(log()));
    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));

    QVERIFY2(start(), qPrintable(log()));
    // Nothing chosen yet, so the English page opens on the graded lessons.
    QVERIFY2(logHas(QStringLiteral("page ready \\(in the shell, en, [^)]*lesson home-fj\\)")),
             qPrintable(log()));
    QVERIFY(clickClose());
    QVERIFY(m_app.waitForFinished(30000));
    QCOMPARE(m_app.exitCode(), 0);
}

QTEST_GUILESS_MAIN(PageShellTest)
#include "tst_pageshell.moc"
