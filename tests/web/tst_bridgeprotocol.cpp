// Registry and dispatch of win_message requests, and the shapes of replies and pushes.
#include "bridgeprotocol.h"
#include "commandregistry.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Collects what the dispatcher hands to the pool and to the result sink, so the tests can run
// the tasks themselves.
struct AsyncRecorder
{
    std::vector<BridgeProtocol::Task> tasks;
    std::vector<std::pair<QString, ReplyPtr>> results;

    BridgeProtocol::TaskPoster poster()
    {
        return [this](BridgeProtocol::Task task) {
            tasks.push_back(std::move(task));
        };
    }
    BridgeProtocol::ResultSink sink()
    {
        return [this](const QString &method, const ReplyPtr &reply) {
            results.emplace_back(method, reply);
        };
    }
    void runAll()
    {
        for (auto &task : tasks)
            task();
        tasks.clear();
    }
};

Json::Value parse(const std::string &text)
{
    Json::Value value;
    EXPECT_TRUE(BridgeProtocol::parseRequest(text, &value)) << text;
    return value;
}

// The text win_message answers when the request cannot be read.
QString refusalOf(const char *text)
{
    Json::Value request;
    QString refusal;
    EXPECT_FALSE(BridgeProtocol::readRequest(text, &request, &refusal)) << (text ? text : "null");
    return refusal;
}

class BridgeTest : public ::testing::Test
{
protected:
    void SetUp() override { CommandRegistry::clear(); }
    void TearDown() override { CommandRegistry::clear(); }

    ReplyPtr send(const std::string &text)
    {
        Json::Value request;
        QString refusal;
        EXPECT_TRUE(BridgeProtocol::readRequest(text.c_str(), &request, &refusal)) << text;
        return BridgeProtocol::dispatch(request, recorder.poster(), recorder.sink());
    }

    AsyncRecorder recorder;
};

void expectFailure(const ReplyPtr &reply, const QString &msg)
{
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->result());
    EXPECT_EQ(reply->msg(), msg);
}

void expectSuccess(const ReplyPtr &reply, const Json::Value &data)
{
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->result());
    EXPECT_EQ(reply->data(), data);
    EXPECT_EQ(reply->msg(), QString());
}

} // namespace

TEST_F(BridgeTest, RegistryFindsNameInAnyLetterCase)
{
    int calls = 0;
    CommandRegistry::registerCommand(
        QStringLiteral("queryLogin"), [&calls](const Json::Value &, const ReplyPtr &) { ++calls; },
        true);
    for (const char *name : {"queryLogin", "QUERYLOGIN", "querylogin", "QueryLOGIN"}) {
        const CommandEntry *entry = CommandRegistry::find(QString::fromLatin1(name));
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_TRUE(entry->async);
        entry->handler(Json::Value(), std::make_shared<QDtaReply>());
    }
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(CommandRegistry::find(QStringLiteral("queryLogin2")), nullptr);
}

TEST_F(BridgeTest, SecondRegistrationReplacesFirst)
{
    CommandRegistry::registerCommand(
        QStringLiteral("ping"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData("first");
        },
        true);
    CommandRegistry::registerCommand(
        QStringLiteral("PING"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData("second");
        },
        false);
    expectSuccess(send(R"({"cmd": "ping"})"), Json::Value("second"));
    expectFailure(send(R"({"cmd": "ping", "async": true})"),
                  QStringLiteral("该方法 ping 不支持异步调用！"));
}

TEST_F(BridgeTest, UnknownCommandNamedAsSent)
{
    expectFailure(send(R"({"cmd": "NoSuchThing"})"), QStringLiteral("方法 NoSuchThing 不存在！"));
}

TEST_F(BridgeTest, MissingCmdGivesEmptyName)
{
    expectFailure(send(R"({"param": 1})"), QStringLiteral("方法  不存在！"));
    expectFailure(send(R"({"cmd": null})"), QStringLiteral("方法  不存在！"));
}

TEST_F(BridgeTest, EmptyHandlerCountsAsMissing)
{
    CommandRegistry::registerCommand(QStringLiteral("hollow"), CommandHandler(), false);
    expectFailure(send(R"({"cmd": "Hollow"})"), QStringLiteral("方法 Hollow 不存在！"));
}

TEST_F(BridgeTest, SynchronousSuccessCarriesDataAndParam)
{
    Json::Value seen;
    CommandRegistry::registerCommand(
        QStringLiteral("echo"),
        [&seen](const Json::Value &param, const ReplyPtr &reply) {
            seen = param;
            reply->setResult(true);
            reply->setData(param["value"]);
        },
        false);
    const ReplyPtr reply = send(R"({"cmd": "ECHO", "param": {"value": [1, "两", null]}})");
    expectSuccess(reply, parse(R"([1, "两", null])"));
    EXPECT_EQ(seen, parse(R"({"value": [1, "两", null]})"));

    send(R"({"cmd": "echo"})");
    EXPECT_TRUE(seen.isNull());
}

// That the data then never reaches the page is checked on the real path (web_webhost).
TEST_F(BridgeTest, HandlerLeavingResultFalseFails)
{
    CommandRegistry::registerCommand(
        QStringLiteral("half"),
        [](const Json::Value &, const ReplyPtr &reply) { reply->setData("dropped"); }, false);
    expectFailure(send(R"({"cmd": "half"})"), QString());

    CommandRegistry::registerCommand(
        QStringLiteral("refuse"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setMsg(QStringLiteral("不行 'quoted' \\ back"));
            reply->setData(1);
        },
        false);
    expectFailure(send(R"({"cmd": "refuse"})"), QStringLiteral("不行 'quoted' \\ back"));
}

TEST_F(BridgeTest, AsyncRefusedForSynchronousCommand)
{
    int calls = 0;
    CommandRegistry::registerCommand(
        QStringLiteral("showLoginForm"),
        [&calls](const Json::Value &, const ReplyPtr &) { ++calls; }, false);
    expectFailure(send(R"({"cmd": "SHOWLOGINFORM", "async": true})"),
                  QStringLiteral("该方法 SHOWLOGINFORM 不支持异步调用！"));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(recorder.tasks.empty());
}

TEST_F(BridgeTest, AsyncAcceptedAtOnceAndResultCarriesNameAsSent)
{
    int calls = 0;
    CommandRegistry::registerCommand(
        QStringLiteral("queryLogin"),
        [&calls](const Json::Value &param, const ReplyPtr &reply) {
            ++calls;
            Json::Value data;
            data["login"] = param.isNull();
            reply->setResult(true);
            reply->setData(data);
        },
        true);
    const ReplyPtr reply = send(R"({"cmd": "QUERYLOGIN", "async": true})");
    expectSuccess(reply, Json::Value());
    EXPECT_EQ(calls, 0) << "the reply must not wait for the handler";
    ASSERT_EQ(recorder.tasks.size(), 1u);

    recorder.runAll();
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(recorder.results.size(), 1u);
    EXPECT_EQ(recorder.results[0].first, QStringLiteral("QUERYLOGIN"));
    const Json::Value param = BridgeProtocol::callbackParam(recorder.results[0].second);
    EXPECT_EQ(param, parse(R"({"result": true, "msg": "", "data": {"login": true}})"));
}

TEST_F(BridgeTest, AsyncFlagMissingNullOrFalseRunsSynchronously)
{
    CommandRegistry::registerCommand(
        QStringLiteral("both"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData(7);
        },
        true);
    for (const char *text :
         {R"({"cmd": "both"})", R"({"cmd": "both", "async": null})",
          R"({"cmd": "both", "async": false})", R"({"cmd": "both", "async": "true"})"}) {
        expectSuccess(send(text), Json::Value(7));
    }
    EXPECT_TRUE(recorder.tasks.empty());
}

TEST_F(BridgeTest, AsyncFailurePushCarriesAllThreeMembers)
{
    CommandRegistry::registerCommand(
        QStringLiteral("late"),
        [](const Json::Value &, const ReplyPtr &reply) { reply->setData("kept"); }, true);
    send(R"({"cmd": "late", "async": true})");
    recorder.runAll();
    ASSERT_EQ(recorder.results.size(), 1u);
    EXPECT_EQ(BridgeProtocol::callbackParam(recorder.results[0].second),
              parse(R"({"result": false, "msg": "", "data": "kept"})"));
}

TEST_F(BridgeTest, ThrowingHandlerGivesFailureReply)
{
    CommandRegistry::registerCommand(
        QStringLiteral("boom"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setResult(true);
            throw std::runtime_error("disk on fire");
        },
        true);
    const ReplyPtr reply = send(R"({"cmd": "Boom"})");
    ASSERT_FALSE(reply->result());
    EXPECT_TRUE(reply->msg().contains(QStringLiteral("Boom")));
    EXPECT_TRUE(reply->msg().contains(QStringLiteral("disk on fire")));

    CommandRegistry::registerCommand(
        QStringLiteral("odd"), [](const Json::Value &, const ReplyPtr &) { throw 42; }, false);
    const ReplyPtr odd = send(R"({"cmd": "odd"})");
    EXPECT_FALSE(odd->result());
    EXPECT_FALSE(odd->msg().isEmpty());
}

TEST_F(BridgeTest, ThrowingAsyncHandlerStillPushesFailure)
{
    CommandRegistry::registerCommand(
        QStringLiteral("boom"),
        [](const Json::Value &, const ReplyPtr &) { throw std::runtime_error("gone"); }, true);
    expectSuccess(send(R"({"cmd": "boom", "async": true})"), Json::Value());
    recorder.runAll();
    ASSERT_EQ(recorder.results.size(), 1u);
    const Json::Value param = BridgeProtocol::callbackParam(recorder.results[0].second);
    EXPECT_FALSE(param["result"].asBool());
    EXPECT_TRUE(QString::fromStdString(param["msg"].asString()).contains(QStringLiteral("gone")));
    EXPECT_TRUE(param.isMember("data"));
}

TEST_F(BridgeTest, MissingTextAndMalformedJson)
{
    EXPECT_EQ(refusalOf(nullptr), QStringLiteral("传入的参数为空"));
    const QString malformed = QStringLiteral("json 格式错误！");
    for (const char *text : {"", "   ", "{", "{\"cmd\": }", "cmd=queryLogin", "{\"cmd\": \"a\"} x",
                             "[1, 2]", "\"queryLogin\"", "42", "null"}) {
        EXPECT_EQ(refusalOf(text), malformed) << text;
    }
}

TEST_F(BridgeTest, CommentsAreAllowed)
{
    CommandRegistry::registerCommand(
        QStringLiteral("c"),
        [](const Json::Value &, const ReplyPtr &reply) { reply->setResult(true); }, false);
    expectSuccess(send("/* lead */ {\"cmd\": \"c\" // trailing\n}"), Json::Value());
}

TEST_F(BridgeTest, NonStringCmdIsQuotedInError)
{
    expectFailure(send(R"({"cmd": 12})"), QStringLiteral("方法 12 不存在！"));
    expectFailure(send(R"({"cmd": {"a": 1}})"), QStringLiteral("方法 {\"a\":1} 不存在！"));
}

TEST(BridgeReplies, ReplyTextIsIndentedJsonWithBooleanResult)
{
    Json::Value data;
    data["login"] = false;
    const std::string ok = BridgeProtocol::replyText(BridgeProtocol::okReply(data));
    EXPECT_NE(ok.find('\n'), std::string::npos);
    Json::Value back;
    ASSERT_TRUE(BridgeProtocol::parseRequest(ok, &back));
    EXPECT_TRUE(back["result"].isBool());
    EXPECT_EQ(back, parse(R"({"result": true, "data": {"login": false}, "msg": ""})"));

    const std::string failed =
        BridgeProtocol::replyText(BridgeProtocol::errorReply(QStringLiteral("方法 x 不存在！")));
    ASSERT_TRUE(BridgeProtocol::parseRequest(failed, &back));
    EXPECT_EQ(back, parse(R"({"result": false, "msg": "方法 x 不存在！"})"));
    // Chinese text stays readable UTF-8 in the reply.
    EXPECT_NE(failed.find("不存在"), std::string::npos);
}

namespace {

// Tags every lookup with its context, so a test sees which context a text went through.
class ContextTagger : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("[%1]").arg(QLatin1String(context)) + QString::fromUtf8(sourceText);
    }
};

} // namespace

TEST_F(BridgeTest, ErrorTextsGoThroughTheirTranslationContexts)
{
    ContextTagger tagger;
    QCoreApplication::installTranslator(&tagger);
    CommandRegistry::registerCommand(
        QStringLiteral("s"), [](const Json::Value &, const ReplyPtr &) {}, false);
    EXPECT_EQ(refusalOf(nullptr), QStringLiteral("[QObject]传入的参数为空"));
    EXPECT_EQ(refusalOf("{"), QStringLiteral("[QObject]json 格式错误！"));
    expectFailure(send(R"({"cmd": "x"})"), QStringLiteral("[QWebBrowser]方法 x 不存在！"));
    expectFailure(send(R"({"cmd": "s", "async": true})"),
                  QStringLiteral("[QWebBrowser]该方法 s 不支持异步调用！"));
    QCoreApplication::removeTranslator(&tagger);
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
