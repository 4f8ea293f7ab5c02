#include "qhttpclient.h"

#include <QCoreApplication>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QQueue>
#include <QThread>
#include <QTimer>

namespace {

// A bound on what one answer may hold, so a wrong address cannot fill the memory.
constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;

} // namespace

/// One queued GET; lives on the client's thread and reports through finished(), which is
/// connected to the caller's callback (queued to the context object when one was given).
class QHttpRequestTask : public QObject
{
    Q_OBJECT
public:
    QUrl url;
    int timeoutMs = 0;
    QPointer<QNetworkReply> reply;
    bool done = false;

    void finish(int status, const QByteArray &body, const QString &error)
    {
        if (done)
            return;
        done = true;
        emit finished(status, body, error);
    }

signals:
    void finished(int status, const QByteArray &body, const QString &error);
};

/// Runs on the client's thread: owns the access manager and the queue.
class QHttpWorker : public QObject
{
    Q_OBJECT
public:
    explicit QHttpWorker(int maxRunning)
        : m_maxRunning(maxRunning > 0 ? maxRunning : 1)
    { }

    void enqueue(QHttpRequestTask *task)
    {
        if (m_closing) {
            task->finish(0, QByteArray(), QStringLiteral("HTTP client closed"));
            task->deleteLater();
            return;
        }
        m_queue.enqueue(task);
        pump();
    }

    void shutdown()
    {
        m_closing = true;
        while (!m_queue.isEmpty()) {
            QHttpRequestTask *task = m_queue.dequeue();
            task->finish(0, QByteArray(), QStringLiteral("HTTP client closed"));
            delete task;
        }
        const QList<QHttpRequestTask *> running = m_running;
        for (QHttpRequestTask *task : running) {
            if (task->reply)
                task->reply->abort();
        }
        m_running.clear();
        delete m_manager;
        m_manager = nullptr;
    }

private:
    void pump()
    {
        while (!m_closing && m_running.size() < m_maxRunning && !m_queue.isEmpty())
            begin(m_queue.dequeue());
    }

    void begin(QHttpRequestTask *task)
    {
        if (!m_manager)
            m_manager = new QNetworkAccessManager(this);
        if (!task->url.isValid()) {
            task->finish(0, QByteArray(), QStringLiteral("invalid address"));
            task->deleteLater();
            return;
        }
        QNetworkRequest request(task->url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        if (task->timeoutMs > 0)
            request.setTransferTimeout(task->timeoutMs);
        QNetworkReply *reply = m_manager->get(request);
        task->reply = reply;
        m_running.append(task);

        // The transfer timeout only watches for silence; this bounds the whole request.
        if (task->timeoutMs > 0) {
            QTimer::singleShot(task->timeoutMs, reply, [reply] {
                if (reply->isRunning())
                    reply->abort();
            });
        }
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
            if (received > kMaxBodyBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [this, task, reply] {
            const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            int status = code.isValid() ? code.toInt() : 0;
            const bool isFile =
                reply->url().isLocalFile() || reply->url().scheme() == QLatin1String("qrc");
            QString error;
            QByteArray body;
            if (reply->error() == QNetworkReply::NoError) {
                body = reply->readAll();
                // Local files have no status line; a successful read counts as 200.
                if (status == 0 && isFile)
                    status = 200;
            } else if (status != 0) {
                body = reply->readAll();
                error = reply->errorString();
            } else {
                error = reply->error() == QNetworkReply::OperationCanceledError
                    ? QStringLiteral("request timed out or was cancelled")
                    : reply->errorString();
            }
            if (body.size() > kMaxBodyBytes) {
                status = 0;
                body.clear();
                error = QStringLiteral("answer too large");
            }
            m_running.removeOne(task);
            task->finish(status, body, error);
            task->deleteLater();
            reply->deleteLater();
            pump();
        });
    }

    int m_maxRunning;
    bool m_closing = false;
    QNetworkAccessManager *m_manager = nullptr;
    QQueue<QHttpRequestTask *> m_queue;
    QList<QHttpRequestTask *> m_running;
};

struct QHttpClient::Private
{
    mutable QMutex mutex;
    bool started = false;
    int maxConcurrentRequests = 0;
    QThread *thread = nullptr;
    QHttpWorker *worker = nullptr;

    // The thread and its event loop cost start time and memory that most runs never use, so
    // they wait for the first request. Called with the mutex held.
    void startThread()
    {
        if (thread)
            return;
        thread = new QThread;
        thread->setObjectName(QStringLiteral("QHttpClient"));
        // The first request may come from a pool thread that has no event loop to delete the
        // thread object later; it belongs with the application's thread.
        if (QCoreApplication *application = QCoreApplication::instance())
            thread->moveToThread(application->thread());
        worker = new QHttpWorker(maxConcurrentRequests);
        worker->moveToThread(thread);
        thread->start();
    }
};

QHttpClient *QHttpClient::Instance()
{
    // Never deleted: callers may still reach it during static destruction. The thread itself is
    // ended by close(), or at the latest when the application object goes away.
    static QHttpClient *instance = [] {
        auto *client = new QHttpClient;
        qAddPostRoutine([] { QHttpClient::Instance()->close(); });
        return client;
    }();
    return instance;
}

QHttpClient::QHttpClient()
    : d(new Private)
{ }

QHttpClient::~QHttpClient()
{
    close();
}

void QHttpClient::start(int maxConcurrentRequests)
{
    QMutexLocker locker(&d->mutex);
    if (d->started)
        return;
    d->started = true;
    d->maxConcurrentRequests = maxConcurrentRequests;
}

void QHttpClient::close()
{
    QThread *thread = nullptr;
    QHttpWorker *worker = nullptr;
    {
        QMutexLocker locker(&d->mutex);
        d->started = false;
        thread = d->thread;
        worker = d->worker;
        d->thread = nullptr;
        d->worker = nullptr;
    }
    if (!thread)
        return;
    if (QThread::currentThread() == thread) {
        // Called from one of our own callbacks: the thread cannot wait for itself.
        worker->shutdown();
        QObject::connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->quit();
        return;
    }
    QMetaObject::invokeMethod(
        worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
    thread->quit();
    thread->wait();
    delete worker;
    delete thread;
}

bool QHttpClient::isRunning() const
{
    QMutexLocker locker(&d->mutex);
    return d->started;
}

void QHttpClient::get(const QUrl &url, const Callback &callback, QObject *context, int timeoutMs)
{
    QMutexLocker locker(&d->mutex);
    if (!d->started)
        return;
    d->startThread();
    auto *task = new QHttpRequestTask;
    task->url = url;
    task->timeoutMs = timeoutMs;
    if (callback) {
        // A connection to the context is dropped by Qt if the context dies first, so the
        // callback never runs against a deleted caller.
        if (context)
            QObject::connect(task, &QHttpRequestTask::finished, context, callback,
                             Qt::QueuedConnection);
        else
            QObject::connect(task, &QHttpRequestTask::finished, task, callback,
                             Qt::DirectConnection);
    }
    task->moveToThread(d->thread);
    QHttpWorker *worker = d->worker;
    QMetaObject::invokeMethod(
        worker, [worker, task] { worker->enqueue(task); }, Qt::QueuedConnection);
}

#include "qhttpclient.moc"
