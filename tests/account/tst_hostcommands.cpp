// The host commands as the page reaches them through the dispatcher.
#include "bridgeprotocol.h"
#include "commandregistry.h"
#include "csetting.h"
#include "hostcommands.h"
#include "quser.h"
#include "qworkpool.h"

#include <gtest/gtest.h>

#include <future>

namespace {

class HostCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CommandRegistry::clear();
        HostCommands::registerCommands(nullptr);
        QUser::Instance()->setLogout();
    }
    void TearDown() override
    {
        QUser::Instance()->setLogout();
        CommandRegistry::clear();
    }

    // The reply object win_message answers with.
    Json::Value send(const std::string &text)
    {
        return BridgeProtocol::replyFromReply(BridgeProtocol::dispatch(
            request(text), [this](BridgeProtocol::Task task) { m_pool.post(std::move(task)); },
            [this](const QString &method, const ReplyPtr &reply) {
                m_pushed.set_value({method, reply});
            }));
    }
    static Json::Value request(const std::string &text)
    {
        Json::Value parsed;
        QString refusal;
        EXPECT_TRUE(BridgeProtocol::readRequest(text.c_str(), &parsed, &refusal)) << text;
        return parsed;
    }
    std::pair<QString, ReplyPtr> pushed() { return m_pushed.get_future().get(); }

    QWorkPool m_pool;
    std::promise<std::pair<QString, ReplyPtr>> m_pushed;

    void SetUpPool() { m_pool.start(2); }
};

} // namespace

TEST_F(HostCommandsTest, RegisteredWithTheirAsyncFlags)
{
    const std::pair<const char *, bool> rows[] = {{"showLoginForm", false},
                                                  {"queryLogin", true},
                                                  {"queryUser", true},
                                                  {"setLanguage", false}};
    for (const auto &[name, async] : rows) {
        const CommandEntry *entry = CommandRegistry::find(QString::fromLatin1(name));
        ASSERT_TRUE(entry) << name;
        EXPECT_EQ(entry->async, async) << name;
    }
}

TEST_F(HostCommandsTest, QueryUserNamesTheSignedInProfile)
{
    Json::Value reply = send(R"({"cmd": "queryUser", "param": [1]})");
    EXPECT_TRUE(reply["result"].asBool());
    EXPECT_FALSE(reply["data"]["login"].asBool());
    EXPECT_EQ(reply["data"]["name"].asString(), "");
    EXPECT_EQ(reply["data"].size(), 2u);

    // A switch from one profile to another, names outside ASCII included.
    for (const QString &name : {QStringLiteral("Ada"), QStringLiteral("李 雷")}) {
        QUser::Instance()->setLogin(name);
        reply = send(R"({"cmd": "QUERYUSER"})");
        EXPECT_TRUE(reply["data"]["login"].asBool());
        EXPECT_EQ(QString::fromStdString(reply["data"]["name"].asString()), name);
    }
    QUser::Instance()->setLogout();
    EXPECT_FALSE(send(R"({"cmd": "queryUser"})")["data"]["login"].asBool());
}

TEST_F(HostCommandsTest, AsyncQueryUserPushesTheAnswer)
{
    SetUpPool();
    QUser::Instance()->setLogin(QStringLiteral("Ben"));
    const Json::Value reply = send(R"({"cmd": "queryUser", "async": true})");
    EXPECT_TRUE(reply["result"].asBool());
    EXPECT_TRUE(reply["data"].isNull());
    const auto [method, filled] = pushed();
    EXPECT_EQ(method, QStringLiteral("queryUser"));
    const Json::Value param = BridgeProtocol::callbackParam(filled);
    EXPECT_TRUE(param["result"].asBool());
    EXPECT_TRUE(param["data"]["login"].asBool());
    EXPECT_EQ(param["data"]["name"].asString(), "Ben");
    m_pool.stop();
}

// The push at every sign-in and sign-out reads exactly like an asynchronous "queryLogin"
// answer, so a page that knows only that command takes it as one.
TEST_F(HostCommandsTest, LoginEventLooksLikeAQueryLoginAnswer)
{
    SetUpPool();
    for (const bool login : {true, false}) {
        if (login)
            QUser::Instance()->setLogin(QStringLiteral("Tester"));
        else
            QUser::Instance()->setLogout();
        std::promise<std::pair<QString, ReplyPtr>> answered;
        BridgeProtocol::dispatch(
            request(R"({"cmd": "queryLogin", "async": true})"),
            [this](BridgeProtocol::Task task) { m_pool.post(std::move(task)); },
            [&answered](const QString &method, const ReplyPtr &filled) {
                answered.set_value({method, filled});
            });
        const auto [method, filled] = answered.get_future().get();
        EXPECT_EQ(HostCommands::loginEventCommand(), method);
        EXPECT_EQ(HostCommands::loginEventParam(login), BridgeProtocol::callbackParam(filled));
    }
    m_pool.stop();
}

TEST_F(HostCommandsTest, SetLanguageKeepsOnlyKnownLanguages)
{
    struct Row
    {
        const char *request;
        bool accepted;
        const char *stored;
        const char *message;
    };
    const Row rows[] = {
        {R"({"cmd": "setLanguage", "param": {"lang": "en"}})", true, "en", ""},
        {R"({"cmd": "setLanguage", "param": {"lang": "zh"}})", true, "zh", ""},
        {R"({"cmd": "setLanguage", "param": {"lang": "fr"}})", false, "zh", "不支持的语言：fr"},
        {R"({"cmd": "setLanguage", "param": {"lang": "EN"}})", false, "zh", "不支持的语言：EN"},
        {R"({"cmd": "setLanguage", "param": {"lang": 5}})", false, "zh", "不支持的语言：5"},
        {R"({"cmd": "setLanguage", "param": {"lang": "../zh"}})", false, "zh",
         "不支持的语言：../zh"},
        {R"({"cmd": "setLanguage", "param": "en"})", false, "zh", "不支持的语言：null"},
        {R"({"cmd": "setLanguage"})", false, "zh", "不支持的语言：null"},
    };
    for (const Row &row : rows) {
        const Json::Value reply = send(row.request);
        EXPECT_EQ(reply["result"].asBool(), row.accepted) << row.request;
        EXPECT_EQ(QString::fromStdString(reply["msg"].asString()), QString::fromUtf8(row.message))
            << row.request;
        if (row.accepted) {
            EXPECT_EQ(reply["data"]["lang"].asString(), row.stored) << row.request;
        }
        EXPECT_EQ(CSetting::getString(QStringLiteral("language"), QStringLiteral("type")),
                  QString::fromLatin1(row.stored))
            << row.request;
    }
}

TEST_F(HostCommandsTest, QueryLoginFollowsTheSignInFlagInAnyCase)
{
    for (const char *text : {R"({"cmd": "queryLogin"})", R"({"cmd": "QUERYLOGIN", "param": 5})",
                             R"({"cmd": "querylogin", "param": {"login": true}})"}) {
        const Json::Value reply = send(text);
        EXPECT_TRUE(reply["result"].asBool());
        ASSERT_TRUE(reply["data"]["login"].isBool());
        EXPECT_FALSE(reply["data"]["login"].asBool());
        EXPECT_EQ(reply["data"].size(), 1u);
    }
    QUser::Instance()->setLogin(QStringLiteral("Tester"));
    EXPECT_TRUE(send(R"({"cmd": "queryLogin"})")["data"]["login"].asBool());
}

TEST_F(HostCommandsTest, AsyncQueryLoginPushesTheAnswer)
{
    SetUpPool();
    QUser::Instance()->setLogin(QStringLiteral("Tester"));
    const Json::Value reply = send(R"({"cmd": "QueryLogin", "async": true})");
    EXPECT_TRUE(reply["result"].asBool());
    EXPECT_TRUE(reply["data"].isNull());
    const auto [method, filled] = pushed();
    EXPECT_EQ(method, QStringLiteral("QueryLogin"));
    Json::Value expected;
    expected["result"] = true;
    expected["msg"] = "";
    expected["data"]["login"] = true;
    EXPECT_EQ(BridgeProtocol::callbackParam(filled), expected);
    m_pool.stop();
}

TEST_F(HostCommandsTest, ShowLoginFormAnswersSuccessWithNullData)
{
    const Json::Value reply = send(R"({"cmd": "showLoginForm", "param": [1]})");
    EXPECT_TRUE(reply["result"].asBool());
    EXPECT_TRUE(reply.isMember("data"));
    EXPECT_TRUE(reply["data"].isNull());
}

TEST_F(HostCommandsTest, ShowLoginFormRefusesAsync)
{
    const Json::Value reply = send(R"({"cmd": "showLoginForm", "async": true})");
    EXPECT_FALSE(reply["result"].asBool());
    EXPECT_EQ(QString::fromStdString(reply["msg"].asString()),
              QStringLiteral("该方法 showLoginForm 不支持异步调用！"));
}
