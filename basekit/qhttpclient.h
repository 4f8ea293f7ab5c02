#pragma once

#include "qbasekit_global.h"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

/// The library's HTTP client: a worker thread owning a QNetworkAccessManager that runs at most
/// the given number of requests at once.
class QBASEKIT_EXPORT QHttpClient : public QObject
{
    Q_OBJECT
public:
    /// status 0 with an error text when the request failed before any answer.
    using Callback = std::function<void(int status, const QByteArray &body, const QString &error)>;

    static QHttpClient *Instance();

    /// Takes requests from now on; the worker thread itself starts with the first of them.
    void start(int maxConcurrentRequests);
    void close();
    /// Between start() and close(), whether or not a request has been made.
    bool isRunning() const;
    /// Queues a GET; the callback runs on the caller's thread (which needs an event loop)
    /// when context is given, else on the client's thread. Ignored when not running.
    void get(const QUrl &url, const Callback &callback, QObject *context = nullptr,
             int timeoutMs = 10000);

private:
    QHttpClient();
    ~QHttpClient() override;
    struct Private;
    std::unique_ptr<Private> d;
};
