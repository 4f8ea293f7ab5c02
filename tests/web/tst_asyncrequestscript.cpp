// The page's own win_message answers asynchronous requests without asking the host: every text
// it answers must be the host's answer for that text, byte for byte, and every text it cannot
// prove must reach the host. The script runs in a real script engine; the host behind call()
// and post() is the real dispatcher.
#include "asyncresultqueue.h"
#include "bridgeprotocol.h"
#include "commandregistry.h"
#include "pagescripthost.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <vector>

namespace {

enum class Road { Posted, Called };

struct ProofRow
{
    const char *name;
    QString text;
    Road road;
};

QString deepParam(int depth)
{
    return QStringLiteral("{\"cmd\":\"queryLogin\",\"async\":true,\"param\":")
        + QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']')) + QLatin1Char('}');
}

class AsyncRequestScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CommandRegistry::clear();
        const auto login = [](const Json::Value &, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData(Json::Value(true));
        };
        CommandRegistry::registerCommand(QStringLiteral("queryLogin"), login, true);
        // A name the host's writer escapes.
        CommandRegistry::registerCommand(QStringLiteral("we\"ird\\"), login, true);
        // A synchronous command whose reply is the very text of an accepted asynchronous call.
        CommandRegistry::registerCommand(
            QStringLiteral("showLoginForm"),
            [](const Json::Value &, const ReplyPtr &reply) { reply->setResult(true); }, false);
    }
    void TearDown() override { CommandRegistry::clear(); }
};

} // namespace

TEST_F(AsyncRequestScriptTest, AnswersOnlyWhatTheHostWouldAnswerAlike)
{
    // An accepted request whose param is a number of that many digits.
    const auto withDigits = [](int digits) {
        return QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":1)")
            + QString(digits - 1, QLatin1Char('0')) + QLatin1Char('}');
    };
    const ProofRow rows[] = {
        {"plain", QStringLiteral(R"({"cmd":"queryLogin","async":true})"), Road::Posted},
        {"any case", QStringLiteral(R"({"cmd":"QUERYlogin","async":true})"), Road::Posted},
        {"param of every kind",
         QStringLiteral(
             R"({"cmd":"queryLogin","async":true,"param":{"a":[1,-2.5e-3,null,"中文"],"b":false}})"),
         Road::Posted},
        {"escaped key", QStringLiteral(R"({"\u0061sync":true,"cmd":"queryLogin"})"), Road::Posted},
        {"big integer",
         QStringLiteral(
             R"({"cmd":"queryLogin","async":true,"param":123456789012345678901234567890})"),
         Road::Posted},
        {"not async", QStringLiteral(R"({"cmd":"queryLogin","async":false})"), Road::Called},
        {"async as number", QStringLiteral(R"({"cmd":"queryLogin","async":1})"), Road::Called},
        {"async as text", QStringLiteral(R"({"cmd":"queryLogin","async":"yes"})"), Road::Called},
        {"comment", QStringLiteral(R"({"cmd":"queryLogin","async":true /* c */})"), Road::Called},
        {"synchronous command", QStringLiteral(R"({"cmd":"showLoginForm","async":true})"),
         Road::Called},
        {"unknown command", QStringLiteral(R"({"cmd":"nothing","async":true})"), Road::Called},
        {"later cmd wins", QStringLiteral(R"({"cmd":"queryLogin","async":true,"cmd":"nothing"})"),
         Road::Called},
        {"cmd not text", QStringLiteral(R"({"cmd":7,"async":true})"), Road::Called},
        {"wide cmd", QStringLiteral(R"({"cmd":"queryLogİn","async":true})"), Road::Called},
        {"number beyond double",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":1e400})"), Road::Called},
        {"300 digits", withDigits(300), Road::Called},
        {"exponent of two digits",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":1e-99})"), Road::Posted},
        {"exponent of three digits",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":2E+300})"), Road::Called},
        {"299 digits", withDigits(299), Road::Posted},
        {"lone surrogate escape",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":"\ud800"})"), Road::Called},
        {"surrogate escape in capitals",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":"\uDFFF"})"), Road::Called},
        {"escape below the surrogates",
         QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":"\ud7ff"})"), Road::Posted},
        {"raw surrogate pair", QStringLiteral(R"({"cmd":"queryLogin","async":true,"param":"😀"})"),
         Road::Called},
        {"nesting within the limit", deepParam(900), Road::Posted},
        {"nesting past the limit", deepParam(1200), Road::Called},
        {"trailing text", QStringLiteral(R"({"cmd":"queryLogin","async":true} x)"), Road::Called},
        {"array", QStringLiteral(R"(["queryLogin"])"), Road::Called},
        {"empty", QString(), Road::Called},
    };
    for (const ProofRow &row : rows) {
        PageScriptHost page;
        const QString expected = PageScriptHost::hostAnswer(QJSValue(row.text));
        const QJSValue reply = page.send(row.text);
        EXPECT_EQ(reply.toString(), expected) << row.name;
        EXPECT_EQ(page.posted, row.road == Road::Posted ? 1 : 0) << row.name;
        EXPECT_EQ(page.called, row.road == Road::Called ? 1 : 0) << row.name;
        EXPECT_TRUE(page.results.empty()) << row.name << ": the host refused a posted call";
    }
    PageScriptHost page;
    EXPECT_EQ(page.send(QJSValue(5)).toString(), PageScriptHost::hostAnswer(QJSValue(5)));
    EXPECT_EQ(page.called, 1);
}

TEST_F(AsyncRequestScriptTest, PendingCallsMeetTheHostsBoundAndResultsSettleThem)
{
    PageScriptHost page;
    const QString request = QStringLiteral(R"({"cmd":"queryLogin","async":true})");
    const QString accepted = QString::fromStdString(BridgeProtocol::acceptedText());
    const int limit = BridgeProtocol::kMaxPendingCalls;
    for (int i = 0; i < limit; ++i)
        ASSERT_EQ(page.send(request).toString(), accepted) << i;
    EXPECT_EQ(page.posted, limit);
    EXPECT_EQ(BridgeProtocol::pendingCalls(), limit);
    // At the bound the page gives the host's own refusal, the name as sent, without asking.
    for (const QString &name : {QStringLiteral("queryLogin"), QStringLiteral("QUERYlogin"),
                                QStringLiteral("we\\\"ird\\\\")}) {
        const QString busy = QStringLiteral(R"({"cmd":"%1","async":true})").arg(name);
        const QString refusal = PageScriptHost::hostAnswer(QJSValue(busy));
        EXPECT_TRUE(refusal.contains(QStringLiteral("异步调用 ")));
        EXPECT_EQ(page.send(busy).toString(), refusal);
    }
    EXPECT_EQ(page.called, 0);
    EXPECT_EQ(BridgeProtocol::pendingCalls(), limit);

    // Two results reach the page in one script: each is settled and handed to onMessage.
    for (int i = 0; i < 2; ++i)
        page.tasks.pop_back();
    QString texts;
    BridgeProtocol::appendResult(
        &texts, BridgeProtocol::pushText(QStringLiteral("queryLogin"), Json::Value(1)));
    BridgeProtocol::appendResult(
        &texts, BridgeProtocol::pushText(QStringLiteral("queryLogin"), Json::Value("it's")));
    const QJSValue run = page.engine().evaluate(BridgeProtocol::resultsScript(texts));
    ASSERT_FALSE(run.isError()) << qPrintable(run.toString());
    EXPECT_EQ(
        page.engine().evaluate(QStringLiteral("received.join('|')")).toString(),
        QStringLiteral(R"({"cmd":"queryLogin","param":1}|{"cmd":"queryLogin","param":"it's"})"));
    EXPECT_EQ(page.send(request).toString(), accepted);
    EXPECT_EQ(page.send(request).toString(), accepted);
    EXPECT_EQ(page.posted, limit + 2);
    EXPECT_EQ(page.called, 0);
    page.tasks.clear();
}

// A run of one result text goes once with its count; a document without the results hook still
// gets every text in order (the hook's settling of each copy shows in the web host's burst).
TEST_F(AsyncRequestScriptTest, RunsOfOneResultReachThePageOneByOneInOrder)
{
    const QString a = BridgeProtocol::pushText(QStringLiteral("queryLogin"), Json::Value(1));
    const QString b = BridgeProtocol::pushText(QStringLiteral("queryLogin"), Json::Value("it's"));
    for (const QStringList &sequence : {QStringList {a, a, a}, QStringList {a, a, b, b, b, a}}) {
        AsyncResultQueue queue;
        for (const QString &text : sequence) {
            QString escaped;
            BridgeProtocol::appendResult(&escaped, text);
            queue.append(escaped);
        }
        QJSEngine bare;
        bare.evaluate(QStringLiteral("var window = this, received = [];"
                                     "function onMessage(text) { received.push(text); }"));
        ASSERT_FALSE(bare.evaluate(queue.takeScript(1)).isError());
        EXPECT_EQ(bare.evaluate(QStringLiteral("received")).toVariant().toStringList(), sequence);
    }
}

TEST_F(AsyncRequestScriptTest, ACallThePageCouldNotReadLeavesTheBoundToTheHost)
{
    PageScriptHost page;
    const QString request = QStringLiteral(R"({"cmd":"queryLogin","async":true})");
    const QString accepted = QString::fromStdString(BridgeProtocol::acceptedText());
    const int limit = BridgeProtocol::kMaxPendingCalls;
    for (int i = 0; i < limit - 1; ++i)
        ASSERT_EQ(page.send(request).toString(), accepted) << i;
    // The host accepted it, but whether as an asynchronous call only the host knows.
    EXPECT_EQ(page.send(QStringLiteral(R"({"cmd":"queryLogin","async":true /* c */})")).toString(),
              accepted);
    const QString refusal = PageScriptHost::hostAnswer(QJSValue(request));
    EXPECT_EQ(page.send(request).toString(), refusal);
    EXPECT_EQ(page.called, 2);

    QString texts;
    BridgeProtocol::appendResult(
        &texts, BridgeProtocol::pushText(QStringLiteral("queryLogin"), Json::Value()));
    page.tasks.pop_back();
    ASSERT_FALSE(page.engine().evaluate(BridgeProtocol::resultsScript(texts)).isError());
    EXPECT_EQ(page.send(request).toString(), accepted);
    EXPECT_EQ(page.posted, limit);
    page.tasks.clear();
}

TEST_F(AsyncRequestScriptTest, PostedCallsOfAChangedRegistryGetTheRefusalAsTheirResult)
{
    PageScriptHost page;
    CommandRegistry::registerCommand(
        QStringLiteral("queryLogin"), [](const Json::Value &, const ReplyPtr &) {}, false);
    EXPECT_EQ(page.send(QStringLiteral(R"({"cmd":"QueryLogin","async":true})")).toString(),
              QString::fromStdString(BridgeProtocol::acceptedText()));
    ASSERT_EQ(page.results.size(), 1u);
    EXPECT_EQ(page.results[0].first, QStringLiteral("QueryLogin"));
    EXPECT_FALSE(page.results[0].second->result());
    EXPECT_EQ(page.results[0].second->msg(), QStringLiteral("该方法 QueryLogin 不支持异步调用！"));
    EXPECT_TRUE(page.tasks.empty());
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
