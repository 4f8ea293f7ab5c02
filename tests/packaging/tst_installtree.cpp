// The installed tree as "cmake --install" lays it out under a fresh prefix: every part is in
// place, the menu entry is valid, and the launcher started from / runs the program in its
// program folder, with the settings of <prefix>/etc/tapwise/app.ini and without writing there.
// The Debian package itself is tested in a fresh root by scripts/test-package.sh.
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 60000;
const char kTitle[] = "Tapwise Installed";

QString run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

/// Every file and link under the folder with its size and modification time.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.isSymLink() ? -1 : info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

} // namespace

class TestInstallTree : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void menuEntryIsValid();
    void launcherRunsTheProgramInItsFolder();

private:
    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
};

void TestInstallTree::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    int code = 0;
    const QString output = run(QStringLiteral(TAPWISE_CMAKE),
                               {QStringLiteral("--install"), QStringLiteral(TAPWISE_BUILD_DIR),
                                QStringLiteral("--prefix"), m_prefix.path()},
                               &code);
    QVERIFY2(code == 0, qPrintable(output));
}

void TestInstallTree::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    const QList<QPair<const char *, bool>> rows = {
        {"bin/tapwise", true},
        {"lib/tapwise/tapwise", true},
        {"lib/tapwise/mindump", true},
        {"lib/tapwise/libtapwiseshell.so.2", false},
        {"lib/tapwise/libQBaseKit.so.1", false},
        {"lib/tapwise/node.so", false},
        {"lib/tapwise/language/keystride_zh.qm", false},
        {"lib/tapwise/language/keystride_en.qm", false},
        {"lib/tapwise/dist/index.html", false},
        {"lib/tapwise/dist/js/app.js", false},
        {"lib/tapwise/app.ini", false},
        {"etc/tapwise/app.ini", false},
        {"share/applications/tapwise.desktop", false},
        {"share/icons/hicolor/16x16/apps/tapwise.png", false},
        {"share/icons/hicolor/48x48/apps/tapwise.png", false},
        {"share/icons/hicolor/256x256/apps/tapwise.png", false},
        {"share/icons/hicolor/scalable/apps/tapwise.svg", false},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << row.second;
}

void TestInstallTree::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(m_prefix.filePath(path));
    QVERIFY2(info.exists(), qPrintable(path + QStringLiteral(" is missing")));
    QCOMPARE(info.isExecutable(), executable);
    if (path == QLatin1String("lib/tapwise/app.ini")) {
        // The program folder holds a link to the one settings file, not a copy.
        QVERIFY(info.isSymLink());
        QCOMPARE(info.symLinkTarget(), m_prefix.filePath(QStringLiteral("etc/tapwise/app.ini")));
    }
}

void TestInstallTree::menuEntryIsValid()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing (Debian desktop-file-utils)");
    int code = 0;
    const QString output =
        run(validator, {m_prefix.filePath(QStringLiteral("share/applications/tapwise.desktop"))},
            &code);
    QVERIFY2(code == 0 && output.trimmed().isEmpty(), qPrintable(output));
}

void TestInstallTree::launcherRunsTheProgramInItsFolder()
{
    QVERIFY(m_home.isValid());
    const QString programDir = m_prefix.filePath(QStringLiteral("lib/tapwise"));
    // The administrator's edit of the settings file is what the program reads.
    QFile settings(m_prefix.filePath(QStringLiteral("etc/tapwise/app.ini")));
    QVERIFY(settings.open(QIODevice::Append));
    settings.write(QByteArray("\n[app_name]\nname_zh=") + kTitle + "\nname_en=" + kTitle + "\n");
    settings.close();
    const QStringList before = snapshot(programDir) + snapshot(m_prefix.filePath("etc"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = m_home.filePath(QString::fromLatin1(name));
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), folder);
    }
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setWorkingDirectory(QStringLiteral("/"));
    app.start(m_prefix.filePath(QStringLiteral("bin/tapwise")), QStringList());
    QVERIFY(app.waitForStarted(10000));
    QByteArray log;
    const bool ready = QTest::qWaitFor(
        [&] {
            log += app.readAllStandardError();
            return log.contains("Tapwise: page ready (in the shell, ")
                || app.state() == QProcess::NotRunning;
        },
        kStartTimeoutMs);
    // The launcher replaces itself with the program, so the process is the program.
    const QString proc = QStringLiteral("/proc/%1/").arg(app.processId());
    const QString exe = QFileInfo(proc + QStringLiteral("exe")).symLinkTarget();
    const QString cwd = QFileInfo(proc + QStringLiteral("cwd")).symLinkTarget();
    QString title;
    if (ready && app.state() == QProcess::Running) {
        int code = 0;
        title = run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--pid"),
                     QString::number(app.processId()), QStringLiteral("--name"),
                     QStringLiteral("^%1$").arg(QLatin1String(kTitle)),
                     QStringLiteral("getwindowname")},
                    &code)
                    .trimmed();
    }
    app.terminate();
    if (!app.waitForFinished(10000)) {
        app.kill();
        app.waitForFinished(10000);
    }
    QVERIFY2(ready && log.contains("page ready"), log.constData());
    QCOMPARE(exe, programDir + QStringLiteral("/tapwise"));
    QCOMPARE(cwd, programDir);
    QVERIFY2(title.split('\n').contains(QLatin1String(kTitle)), qPrintable(title));
    QCOMPARE(snapshot(programDir) + snapshot(m_prefix.filePath("etc")), before);
}

QTEST_MAIN(TestInstallTree)
#include "tst_installtree.moc"
