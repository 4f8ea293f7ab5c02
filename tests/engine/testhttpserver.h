#pragma once

#include <QDir>
#include <QStringList>
#include <QTcpServer>

/// A small HTTP/1.0 server on 127.0.0.1 serving one folder, so that pages can come from two
/// origins (http://127.0.0.1:port and http://localhost:port), and "/redirect?to=<address>" that
/// redirects there. Runs in the test's event loop.
class TestHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit TestHttpServer(const QString &root, QObject *parent = nullptr);
    bool start();
    QString url(const QString &host, const QString &path) const;
    /// An address on host that answers with a redirect to target.
    QString redirectUrl(const QString &host, const QString &target) const;
    /// Paths of every request, in order.
    QStringList requests() const { return m_requests; }

private:
    void serve();

    QDir m_root;
    QStringList m_requests;
};
