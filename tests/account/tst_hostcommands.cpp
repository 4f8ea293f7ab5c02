// The two host commands as the page reaches them through the dispatcher.
#include "bridgeprotocol.h"
#include "commandregistry.h"
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

    ReplyPtr send(const std::string &text)
    {
        Json::Value request;
        QString refusal;
        EXPECT_TRUE(BridgeProtocol::readRequest(text.c_str(), &request, &refusal)) << text;
        return BridgeProtocol::dispatch(
            request, [this](BridgeProtocol::Task task) { m_pool.post(std::move(task)); },
            [this](const QString &method, const ReplyPtr &reply) {
                m_pushed.set_value({method, reply});
            });
    }
    std::pair<QString, ReplyPtr> pushed() { return m_pushed.get_future().get(); }

    QWorkPool m_pool;
    std::promise<std::pair<QString, ReplyPtr>> m_pushed;

    void SetUpPool() { m_pool.start(2); }
};

} // namespace

TEST_F(HostCommandsTest, RegisteredWithTheirAsyncFlags)
{
    const CommandEntry *login = CommandRegistry::find(QStringLiteral("showLoginForm"));
    const CommandEntry *query = CommandRegistry::find(QStringLiteral("queryLogin"));
    ASSERT_TRUE(login && query);
    EXPECT_FALSE(login->async);
    EXPECT_TRUE(query->async);
}

TEST_F(HostCommandsTest, QueryLoginFollowsTheSignInFlagInAnyCase)
{
    for (const char *text : {R"({"cmd": "queryLogin"})", R"({"cmd": "QUERYLOGIN", "param": 5})",
                             R"({"cmd": "querylogin", "param": {"login": true}})"}) {
        const ReplyPtr reply = send(text);
        EXPECT_TRUE(reply->result());
        ASSERT_TRUE(reply->data()["login"].isBool());
        EXPECT_FALSE(reply->data()["login"].asBool());
        EXPECT_EQ(reply->data().size(), 1u);
    }
    QUser::Instance()->setLogin(QStringLiteral("Tester"));
    EXPECT_TRUE(send(R"({"cmd": "queryLogin"})")->data()["login"].asBool());
}

TEST_F(HostCommandsTest, AsyncQueryLoginPushesTheAnswer)
{
    SetUpPool();
    QUser::Instance()->setLogin(QStringLiteral("Tester"));
    const ReplyPtr reply = send(R"({"cmd": "QueryLogin", "async": true})");
    EXPECT_TRUE(reply->result());
    EXPECT_TRUE(reply->data().isNull());
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
    const ReplyPtr reply = send(R"({"cmd": "showLoginForm", "param": [1]})");
    EXPECT_TRUE(reply->result());
    EXPECT_TRUE(reply->data().isNull());
}

TEST_F(HostCommandsTest, ShowLoginFormRefusesAsync)
{
    const ReplyPtr reply = send(R"({"cmd": "showLoginForm", "async": true})");
    EXPECT_FALSE(reply->result());
    EXPECT_EQ(reply->msg(), QStringLiteral("该方法 showLoginForm 不支持异步调用！"));
}
