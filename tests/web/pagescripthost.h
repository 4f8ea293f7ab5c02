#pragma once

#include "asyncrequestscript.h"
#include "bridgeprotocol.h"
#include "commandregistry.h"

#include <QJSEngine>
#include <QObject>
#include <QQmlEngine>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

// The page script with call() and post() answered by the dispatcher, as the shell does.
class PageScriptHost : public QObject
{
    Q_OBJECT
public:
    PageScriptHost()
    {
        QQmlEngine::setObjectOwnership(this, QQmlEngine::CppOwnership);
        m_engine.globalObject().setProperty(QStringLiteral("host"), m_engine.newQObject(this));
        m_engine.evaluate(QStringLiteral("var window = this, received = [];"
                                         "function onMessage(text) { received.push(text); }"));
        const QString script = AsyncRequestScript::build(
            CommandRegistry::asyncNames(), QString::fromStdString(BridgeProtocol::acceptedText()),
            BridgeProtocol::kMaxPendingCalls, BridgeProtocol::busyTextParts());
        QJSValue make = m_engine.evaluate(QLatin1Char('(') + script + QLatin1Char(')'));
        EXPECT_TRUE(make.isCallable()) << qPrintable(make.toString());
        m_message = make.call(
            {m_engine.evaluate(QStringLiteral("(function (a) { return host.call(a[0]); })")),
             m_engine.evaluate(QStringLiteral("(function (a) { host.post(a[0]); })"))});
        EXPECT_TRUE(m_message.isCallable()) << qPrintable(m_message.toString());
    }

    QJSValue send(const QJSValue &argument) { return m_message.call({argument}); }
    QJSValue send(const QString &text) { return send(QJSValue(text)); }
    QJSEngine &engine() { return m_engine; }

    /// What the host would answer, without keeping the call.
    static QString hostAnswer(const QJSValue &argument)
    {
        std::vector<BridgeProtocol::Task> dropped;
        return answer(argument, [&dropped](BridgeProtocol::Task task) {
            dropped.push_back(std::move(task));
        });
    }

    std::vector<BridgeProtocol::Task> tasks;
    std::vector<std::pair<QString, ReplyPtr>> results;
    int posted = 0;
    int called = 0;

public slots:
    QString call(const QJSValue &argument)
    {
        ++called;
        return answer(argument,
                      [this](BridgeProtocol::Task task) { tasks.push_back(std::move(task)); });
    }
    void post(const QString &text)
    {
        ++posted;
        Json::Value request;
        QString refusal;
        ASSERT_TRUE(BridgeProtocol::readRequest(text.toUtf8().constData(), &request, &refusal))
            << qPrintable(text);
        BridgeProtocol::dispatchPosted(
            request, [this](BridgeProtocol::Task task) { tasks.push_back(std::move(task)); },
            [this](const QString &method, const ReplyPtr &reply) {
                results.emplace_back(method, reply);
            });
    }

private:
    static QString answer(const QJSValue &argument, const BridgeProtocol::TaskPoster &poster)
    {
        const QByteArray utf8 = argument.toString().toUtf8();
        Json::Value request;
        QString refusal;
        if (!BridgeProtocol::readRequest(argument.isString() ? utf8.constData() : nullptr, &request,
                                         &refusal)) {
            return QString::fromStdString(
                BridgeProtocol::replyText(BridgeProtocol::errorReply(refusal)));
        }
        const ReplyPtr reply = BridgeProtocol::dispatch(request, poster, {});
        return QString::fromStdString(
            BridgeProtocol::replyText(BridgeProtocol::replyFromReply(reply)));
    }

    QJSEngine m_engine;
    QJSValue m_message;
};
