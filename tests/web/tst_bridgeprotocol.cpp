// Registry and dispatch of win_message requests, and the shapes of replies and pushes.
#include "bridgeprotocol.h"
#include "commandregistry.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>
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

    // Only letters fold ('[' is not '{'), letters of other scripts too, and long names alike.
    const QString longName(100, QLatin1Char('n'));
    for (const QString &name : {QStringLiteral("a[b"), QStringLiteral("ändern"), longName})
        CommandRegistry::registerCommand(
            name, [](const Json::Value &, const ReplyPtr &) {}, false);
    EXPECT_NE(CommandRegistry::find(QStringLiteral("A[B")), nullptr);
    EXPECT_EQ(CommandRegistry::find(QStringLiteral("A{B")), nullptr);
    EXPECT_NE(CommandRegistry::find(QStringLiteral("ÄNDERN")), nullptr);
    EXPECT_NE(CommandRegistry::find(longName.toUpper()), nullptr);
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

// That the data then never reaches the page: BridgeReplies.ReplyFromReplyFollowsResultFlag, and
// web_webhost on the real path.
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
    // Nesting past the reader's limit makes it throw rather than fail; that is malformed too.
    const std::string deepParam =
        R"({"cmd": "c", "param": )" + std::string(1000, '[') + std::string(1000, ']') + "}";
    for (const std::string &text :
         {std::string(), std::string("   "), std::string("{"), std::string("{\"cmd\": }"),
          std::string("cmd=queryLogin"), std::string("{\"cmd\": \"a\"} x"), std::string("[1, 2]"),
          std::string("\"queryLogin\""), std::string("42"), std::string("null"),
          std::string(1000, '['), std::string(200000, '['), std::string(5000, '{'), deepParam}) {
        EXPECT_EQ(refusalOf(text.c_str()), malformed) << text.substr(0, 40);
    }
}

// A handler that hands its parameter back: whatever the request held reaches the reply and the
// push, so both must still be plain JSON.
void registerEcho(bool async)
{
    CommandRegistry::registerCommand(
        QStringLiteral("echo"),
        [](const Json::Value &param, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData(param);
        },
        async);
}

Json::Value strictParse(const std::string &text)
{
    Json::CharReaderBuilder builder;
    builder["allowComments"] = false;
    builder["failIfExtra"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        << errors << "\n"
        << text;
    return value;
}

TEST_F(BridgeTest, CommentsAreAllowedAndNeverComeBackOut)
{
    struct Row
    {
        const char *request;
        const char *param;
    };
    const Row rows[] = {
        {"/* lead */ {\"cmd\": \"echo\" // trailing\n}", "null"},
        {"{\"cmd\": \"echo\", \"param\": 1 /* after */}", "1"},
        {"{\"cmd\": \"echo\", \"param\": /* before */ \"x\"}", "\"x\""},
        {"{\"cmd\": \"echo\", \"param\": {\"a\": 1, // one\n \"b\": [2 /* two */]}}",
         "{\"a\": 1, \"b\": [2]}"},
        {"{\"cmd\": \"echo\", \"param\": [ // list\n 1, 2 ] // end\n}", "[1, 2]"},
        {"{\"cmd\": \"echo\", \"param\": \"/* not a comment */ // nor this\"}",
         "\"/* not a comment */ // nor this\""},
    };
    for (const bool async : {false, true}) {
        registerEcho(async);
        for (const Row &row : rows) {
            SCOPED_TRACE(row.request);
            const std::string text =
                std::string(row.request)
                    .insert(std::string(row.request).rfind('}'), async ? ", \"async\": true" : "");
            const std::string reply =
                BridgeProtocol::replyText(BridgeProtocol::replyFromReply(send(text)));
            const Json::Value parsed = strictParse(reply);
            if (async) {
                EXPECT_TRUE(parsed["result"].asBool());
                recorder.runAll();
                ASSERT_EQ(recorder.results.size(), 1u);
                const QString push = BridgeProtocol::pushText(
                    recorder.results[0].first,
                    BridgeProtocol::callbackParam(recorder.results[0].second));
                EXPECT_FALSE(push.contains(QLatin1Char('\n'))) << qPrintable(push);
                EXPECT_EQ(strictParse(push.toStdString())["param"]["data"], strictParse(row.param));
                recorder.results.clear();
            } else {
                EXPECT_EQ(parsed["data"], strictParse(row.param));
            }
        }
    }
}

TEST_F(BridgeTest, TextOfTheEngineComesBackAsValidJson)
{
    // The engine writes U+0000 as C0 80: raw inside a string it is as malformed as it is for
    // the page's own JSON.parse, where it once came back out unchanged. Bytes that are no UTF-8,
    // and escapes of half a surrogate pair, never reach the page as such.
    const struct
    {
        const char *name;
        std::string text;
        std::string data;
    } rows[] = {
        {"escaped nul", "{\"cmd\": \"echo\", \"param\": \"a\\u0000z\"}", std::string("a\0z", 3)},
        {"broken sequence", "{\"cmd\": \"echo\", \"param\": \"\xE5\xA4\xB1\xA4\"}",
         "\xE5\xA4\xB1\xEF\xBF\xBD"},
        {"lone continuation", "{\"cmd\": \"echo\", \"param\": \"\x80\"}", "\xEF\xBF\xBD"},
        // Half a surrogate pair, as JSON.stringify writes a string cut inside an emoji.
        {"lone second half", R"({"cmd": "echo", "param": "a\ude00z"})", "a\xEF\xBF\xBDz"},
        {"lone first half last", R"({"cmd": "echo", "param": "a\uD83D"})", "a\xEF\xBF\xBD"},
        {"first half before a pair", R"({"cmd": "echo", "param": "\ud83d\ud83d\ude00"})",
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"half among other text", "{\"cmd\": \"echo\", \"param\": \"\xE5\xA4\xB1\\udc00\"}",
         "\xE5\xA4\xB1\xEF\xBF\xBD"},
        {"escaped backslash before u", R"({"cmd": "echo", "param": "\\udc00"})", "\\udc00"},
    };
    for (const bool async : {false, true}) {
        registerEcho(async);
        EXPECT_EQ(refusalOf("{\"cmd\": \"echo\", \"param\": \"a\xC0\x80z\"}"),
                  QStringLiteral("json 格式错误！"));
        for (const auto &row : rows) {
            SCOPED_TRACE(row.name);
            std::string text = row.text;
            if (async)
                text.insert(text.rfind('}'), ", \"async\": true");
            const std::string replyText =
                BridgeProtocol::replyText(BridgeProtocol::replyFromReply(send(text)));
            EXPECT_EQ(replyText.find("\xC0\x80"), std::string::npos);
            const Json::Value reply = strictParse(replyText);
            EXPECT_TRUE(reply["result"].asBool());
            if (!async) {
                EXPECT_EQ(reply["data"].asString(), row.data);
                continue;
            }
            recorder.runAll();
            ASSERT_EQ(recorder.results.size(), 1u);
            const Json::Value param = BridgeProtocol::callbackParam(recorder.results[0].second);
            const QString push = BridgeProtocol::pushText(recorder.results[0].first, param);
            EXPECT_EQ(strictParse(push.toStdString())["param"], param);
            EXPECT_EQ(param["data"].asString(), row.data);
            recorder.results.clear();
        }
    }
}

TEST_F(BridgeTest, PendingAsynchronousCallsAreBounded)
{
    registerEcho(true);
    const std::string request = R"({"cmd": "Echo", "async": true, "param": [1, 2, 3]})";
    const int limit = BridgeProtocol::kMaxPendingCalls;
    for (int i = 0; i < limit; ++i)
        ASSERT_TRUE(send(request)->result()) << "call " << i;
    EXPECT_EQ(BridgeProtocol::pendingCalls(), limit);
    const QString refused = QStringLiteral("异步调用 Echo 过多，请稍后再试！");
    expectFailure(send(request), refused);
    EXPECT_EQ(recorder.tasks.size(), size_t(limit)) << "a refused call was queued";

    // Run, their results still on the way to the page: still pending.
    recorder.runAll();
    EXPECT_EQ(BridgeProtocol::pendingCalls(), limit);
    expectFailure(send(request), refused);

    // Once a result has been handed over and let go, one call fits again.
    recorder.results.pop_back();
    EXPECT_EQ(BridgeProtocol::pendingCalls(), limit - 1);
    EXPECT_TRUE(send(request)->result());
    expectFailure(send(request), refused);

    // Queued tasks that are dropped unrun and results that are let go free their places too.
    recorder.results.clear();
    recorder.tasks.clear();
    EXPECT_EQ(BridgeProtocol::pendingCalls(), 0);

    // Pushes the page has not run yet (it has not yielded) count as well.
    int backlog = limit - 1;
    auto sendWithBacklog = [&] {
        Json::Value parsed;
        QString refusal;
        EXPECT_TRUE(BridgeProtocol::readRequest(request.c_str(), &parsed, &refusal));
        return BridgeProtocol::dispatch(parsed, recorder.poster(), recorder.sink(),
                                        [&backlog] { return backlog; });
    };
    EXPECT_TRUE(sendWithBacklog()->result());
    expectFailure(sendWithBacklog(), refused);
    backlog = 0;
    EXPECT_TRUE(sendWithBacklog()->result());
    recorder.tasks.clear();
    // Synchronous calls are never refused.
    CommandRegistry::registerCommand(
        QStringLiteral("sync"), [](const Json::Value &, const ReplyPtr &r) { r->setResult(true); },
        false);
    for (int i = 0; i < limit; ++i)
        ASSERT_TRUE(send(request)->result());
    expectSuccess(send(R"({"cmd": "sync"})"), Json::Value());
    recorder.tasks.clear();
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

TEST(BridgeReplies, ReplyFromReplyFollowsResultFlag)
{
    auto reply = std::make_shared<QDtaReply>();
    EXPECT_EQ(BridgeProtocol::replyFromReply(reply), parse(R"({"result": false, "msg": ""})"));
    reply->setMsg(QStringLiteral("m"));
    reply->setData(3);
    EXPECT_EQ(BridgeProtocol::replyFromReply(reply), parse(R"({"result": false, "msg": "m"})"));
    reply->setResult(true);
    EXPECT_EQ(BridgeProtocol::replyFromReply(reply),
              parse(R"({"result": true, "data": 3, "msg": ""})"));
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
    CommandRegistry::registerCommand(
        QStringLiteral("a"), [](const Json::Value &, const ReplyPtr &) {}, true);
    for (int i = 0; i < BridgeProtocol::kMaxPendingCalls; ++i)
        send(R"({"cmd": "a", "async": true})");
    expectFailure(send(R"({"cmd": "a", "async": true})"),
                  QStringLiteral("[QWebBrowser]异步调用 a 过多，请稍后再试！"));
    recorder.tasks.clear();
    QCoreApplication::removeTranslator(&tagger);
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
