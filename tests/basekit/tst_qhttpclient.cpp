// The library's HTTP client: file and http addresses, the bound on requests at once, timeouts,
// callers that go away, closing, and the worker thread that waits for the first request.
#include "loopbackserver.h"
#include "qhttpclient.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

struct Answer
{
    int calls = 0;
    int status = -1;
    QByteArray body;
    QString error;
    QThread *thread = nullptr;

    QHttpClient::Callback callback()
    {
        return [this](int s, const QByteArray &b, const QString &e) {
            ++calls;
            status = s;
            body = b;
            error = e;
            thread = QThread::currentThread();
        };
    }
};

// Threads of this process that carry the client's name; -1 where the system does not list them.
int clientThreads()
{
    QDir tasks(QStringLiteral("/proc/self/task"));
    if (!tasks.exists())
        return -1;
    int count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "QHttpClient")
            ++count;
    }
    return count;
}

} // namespace

class TestQHttpClient : public QObject
{
    Q_OBJECT
private slots:
    void init() { QHttpClient::Instance()->start(2); }
    void cleanup() { QHttpClient::Instance()->close(); }

    void readsAFileAddress()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("version.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("2.1.0\n");
        file.close();
        Answer answer;
        QHttpClient::Instance()->get(QUrl::fromLocalFile(file.fileName()), answer.callback(), this);
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("2.1.0\n"));
        // With a context the callback runs on the context's thread.
        QCOMPARE(answer.thread, QThread::currentThread());
    }

    void missingFileIsAnError()
    {
        Answer answer;
        QHttpClient::Instance()->get(QUrl::fromLocalFile(QStringLiteral("/nonexistent/v.txt")),
                                     answer.callback(), this);
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 0);
        QVERIFY(!answer.error.isEmpty());
    }

    void httpStatusAndBodyArrive()
    {
        LoopbackServer server;
        server.setReply(404, "not here");
        Answer answer;
        QHttpClient::Instance()->get(QUrl(server.url()), answer.callback(), this);
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 404);
        QCOMPARE(answer.body, QByteArray("not here"));
        QVERIFY(!answer.error.isEmpty());

        server.setReply(200, "3.0");
        QHttpClient::Instance()->get(QUrl(server.url()), answer.callback(), this);
        QTRY_COMPARE(answer.calls, 2);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("3.0"));
        QVERIFY(answer.error.isEmpty());
    }

    void unreachableServerIsAnError()
    {
        Answer answer;
        QHttpClient::Instance()->get(
            QUrl(QStringLiteral("http://127.0.0.1:%1/v.txt").arg(LoopbackServer::closedPort())),
            answer.callback(), this);
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 0);
        QVERIFY(!answer.error.isEmpty());
    }

    void silentServerTimesOut()
    {
        LoopbackServer server;
        server.setHolding(true);
        Answer answer;
        QHttpClient::Instance()->get(QUrl(server.url()), answer.callback(), this, 300);
        QTRY_COMPARE_WITH_TIMEOUT(answer.calls, 1, 15000);
        QCOMPARE(answer.status, 0);
        QVERIFY(!answer.error.isEmpty());
    }

    void runsAtMostTheGivenNumberAtOnce()
    {
        LoopbackServer server;
        server.setHolding(true);
        server.setReply(200, "ok");
        constexpr int kRequests = 6;
        Answer answers[kRequests];
        for (Answer &answer : answers)
            QHttpClient::Instance()->get(QUrl(server.url()), answer.callback(), this);
        int answered = 0;
        while (answered < kRequests) {
            QTRY_COMPARE(server.held(), qMin(2, kRequests - answered));
            server.releaseOne();
            ++answered;
        }
        for (Answer &answer : answers)
            QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(server.mostHeldAtOnce(), 2);
        QCOMPARE(server.requests(), kRequests);
    }

    void callbackOfADeletedCallerIsDropped()
    {
        LoopbackServer server;
        server.setHolding(true);
        Answer dropped;
        auto context = std::make_unique<QObject>();
        QHttpClient::Instance()->get(QUrl(server.url()), dropped.callback(), context.get());
        QTRY_COMPARE(server.held(), 1);
        context.reset();
        server.releaseOne();
        // A later request on the same path arrives after the first answer was handed on.
        server.setHolding(false);
        Answer later;
        QHttpClient::Instance()->get(QUrl(server.url()), later.callback(), this);
        QTRY_COMPARE(later.calls, 1);
        QCoreApplication::processEvents();
        QCOMPARE(dropped.calls, 0);
    }

    void closeEndsRunningRequestsAndIsSafeTwice()
    {
        LoopbackServer server;
        server.setHolding(true);
        Answer answer;
        QHttpClient *client = QHttpClient::Instance();
        client->get(QUrl(server.url()), answer.callback(), this);
        QTRY_COMPARE(server.held(), 1);
        client->close();
        QVERIFY(!client->isRunning());
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 0);
        client->close();

        Answer ignored;
        client->get(QUrl(server.url()), ignored.callback(), this);
        // Started again it works as before; the request made while closed never ran.
        client->start(2);
        server.setHolding(false);
        Answer after;
        client->get(QUrl(server.url()), after.callback(), this);
        QTRY_COMPARE(after.calls, 1);
        QCOMPARE(after.status, 200);
        QCOMPARE(ignored.calls, 0);
        QCOMPARE(server.requests(), 2);
    }

    void exitWithARequestRunningAndNoCloseEndsCleanly()
    {
        LoopbackServer server;
        server.setHolding(true);
        QProcess process;
        process.start(QStringLiteral(BASEKIT_PROBE), {QStringLiteral("http-exit"), server.url()});
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE(server.held(), 1);
        process.write("\n");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("running=0"));
    }

    void workerThreadStartsWithTheFirstRequest_data()
    {
        QTest::addColumn<bool>("fromPlainThread");
        QTest::newRow("first request from the application's thread") << false;
        // A pool thread has no event loop that could delete the client's thread object later.
        QTest::newRow("first request from a thread without an event loop") << true;
    }

    // Started means running, but the worker thread waits for the first request; closing ends
    // it whether or not one came.
    void workerThreadStartsWithTheFirstRequest()
    {
        QFETCH(bool, fromPlainThread);
        if (clientThreads() < 0)
            QSKIP("the system does not list the threads of a process");
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("v.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1.0");
        file.close();
        const QUrl url = QUrl::fromLocalFile(file.fileName());
        QHttpClient *client = QHttpClient::Instance();

        QVERIFY(client->isRunning());
        QCOMPARE(clientThreads(), 0);
        client->close();
        QVERIFY(!client->isRunning());
        client->start(2);
        QVERIFY(client->isRunning());
        QCOMPARE(clientThreads(), 0);

        Answer answer;
        if (fromPlainThread) {
            std::unique_ptr<QThread> caller(
                QThread::create([&] { client->get(url, answer.callback(), this); }));
            caller->start();
            QVERIFY(caller->wait(30000));
        } else {
            client->get(url, answer.callback(), this);
        }
        QTRY_COMPARE(answer.calls, 1);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("1.0"));
        QCOMPARE(clientThreads(), 1);

        client->close();
        QTRY_COMPARE(clientThreads(), 0);
    }

    void withoutContextTheCallbackRunsOnTheClientThread()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("a.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        std::atomic<QThread *> thread {nullptr};
        QHttpClient::Instance()->get(
            QUrl::fromLocalFile(file.fileName()),
            [&](int, const QByteArray &, const QString &) { thread = QThread::currentThread(); });
        QTRY_VERIFY(thread.load() != nullptr);
        QVERIFY(thread.load() != QThread::currentThread());
    }
};

QTEST_MAIN(TestQHttpClient)
#include "tst_qhttpclient.moc"
