#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

/// A tiny HTTP server on 127.0.0.1 for the tests: answers every GET with the configured status
/// and body, or holds the requests until the test releases them.
class LoopbackServer : public QObject
{
    Q_OBJECT
public:
    explicit LoopbackServer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &path = QStringLiteral("/version.txt")) const;

    void setReply(int status, const QByteArray &body);
    /// Keep requests open instead of answering.
    void setHolding(bool holding) { m_holding = holding; }
    /// Answers the oldest held request.
    void releaseOne();

    int requests() const { return m_requests; }
    int held() const { return m_held.size(); }
    int mostHeldAtOnce() const { return m_mostHeld; }

    /// A loopback port nobody listens on.
    static quint16 closedPort();

private:
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket);

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_body;
    bool m_holding = false;
    int m_requests = 0;
    int m_mostHeld = 0;
    QList<QTcpSocket *> m_held;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
