// The onMessage push: its text must reach the page byte for byte whatever the values hold.
#include "bridgeprotocol.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <gtest/gtest.h>

namespace {

struct EscapeRow
{
    const char *name;
    QString input;
    QString escaped;
};

class PushScriptTest : public ::testing::Test
{
protected:
    // Runs the push script in a real script engine with a recording onMessage; an injected
    // alert() would flip the flag instead of staying data.
    QString deliver(const QString &script)
    {
        QJSEngine engine;
        engine.evaluate(QStringLiteral("var received = null; var injected = false;"
                                       "function onMessage(text) { received = text; }"
                                       "function alert() { injected = true; }"));
        const QJSValue result = engine.evaluate(script);
        EXPECT_FALSE(result.isError()) << qPrintable(result.toString());
        EXPECT_FALSE(engine.globalObject().property(QStringLiteral("injected")).toBool());
        return engine.globalObject().property(QStringLiteral("received")).toString();
    }
};

} // namespace

TEST(PushEscape, Table)
{
    const EscapeRow rows[] = {
        {"plain", QStringLiteral("{\"cmd\":\"a\"}"), QStringLiteral("{\"cmd\":\"a\"}")},
        {"single quote", QStringLiteral("it's"), QStringLiteral("it\\'s")},
        {"backslash", QStringLiteral("a\\b"), QStringLiteral("a\\\\b")},
        {"json escape", QStringLiteral("\"x\\\"y\""), QStringLiteral("\"x\\\\\"y\"")},
        {"newline", QStringLiteral("a\nb\rc"), QStringLiteral("a\\nb\\rc")},
        {"separators", QString(QChar(0x2028)) + QChar(0x2029), QStringLiteral("\\u2028\\u2029")},
        {"nul", QString(QChar(0)) + QLatin1Char('1'), QStringLiteral("\\u00001")},
        {"controls", QString(QChar(0x1f)) + QChar(0x7f) + QLatin1Char('\t'),
         QStringLiteral("\\u001f\\u007f\\u0009")},
        {"end of script", QStringLiteral("</script>"), QStringLiteral("\\u003c/script\\u003e")},
        {"injection", QStringLiteral("'); alert(1); ('"), QStringLiteral("\\'); alert(1); (\\'")},
        {"wide text", QStringLiteral("中文 😀"), QStringLiteral("中文 😀")},
    };
    for (const EscapeRow &row : rows)
        EXPECT_EQ(BridgeProtocol::escapeScriptString(row.input), row.escaped) << row.name;
}

TEST(PushEscape, PushTextIsOneLineJsonOfCmdAndParam)
{
    Json::Value param;
    param["result"] = true;
    param["msg"] = "";
    param["data"]["login"] = false;
    const QString text = BridgeProtocol::pushText(QStringLiteral("QueryLogin"), param);
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_EQ(text, text.trimmed());
    Json::Value back;
    ASSERT_TRUE(BridgeProtocol::parseRequest(text.toStdString(), &back));
    EXPECT_EQ(back["cmd"].asString(), "QueryLogin");
    EXPECT_EQ(back["param"], param);
    EXPECT_EQ(back.size(), 2u);
}

TEST_F(PushScriptTest, HostileValuesArriveIntactAsData)
{
    const QString values[] = {
        QStringLiteral("'); alert(1); ('"),
        QStringLiteral("\\'; alert(1); //"),
        QStringLiteral("</script><script>alert(1)</script>"),
        QStringLiteral("line\nbreak\r\nand\ttab"),
        QString(QChar(0x2028)) + QStringLiteral("sep") + QChar(0x2029),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("inside"),
        QStringLiteral("back\\slash \\u0041 \\'"),
        QStringLiteral("方法 查询 不存在！😀"),
        QStringLiteral("<!-- -->"),
    };
    for (const QString &value : values) {
        Json::Value param;
        param["msg"] = value.toStdString();
        param["list"].append(value.toStdString());
        const QString script = BridgeProtocol::pushScript(QStringLiteral("cmd'\"\\"), param);
        ASSERT_TRUE(script.startsWith(QStringLiteral("onMessage('")));
        ASSERT_TRUE(script.endsWith(QStringLiteral("')")));
        EXPECT_FALSE(script.contains(QLatin1Char('\n')));
        EXPECT_FALSE(script.contains(QChar(0x2028)));
        EXPECT_FALSE(script.contains(QStringLiteral("</script"), Qt::CaseInsensitive));

        const QString received = deliver(script);
        EXPECT_EQ(received, BridgeProtocol::pushText(QStringLiteral("cmd'\"\\"), param));

        Json::Value back;
        ASSERT_TRUE(BridgeProtocol::parseRequest(received.toStdString(), &back));
        EXPECT_EQ(QString::fromStdString(back["param"]["msg"].asString()), value);
        EXPECT_EQ(back["cmd"].asString(), "cmd'\"\\");
    }
}

// An event the page did not ask for may arrive before the page has its onMessage: it must
// then do nothing at all, not raise a script error, and be delivered intact once it exists.
TEST(PushEvent, SkippedWithoutOnMessageDeliveredWithIt)
{
    Json::Value param;
    param["result"] = true;
    param["msg"] = "it's";
    param["data"]["login"] = true;
    const QString script = BridgeProtocol::eventScript(QStringLiteral("queryLogin"), param);
    EXPECT_FALSE(script.contains(QLatin1Char('\n')));

    QJSEngine bare;
    const QJSValue skipped = bare.evaluate(script);
    EXPECT_FALSE(skipped.isError()) << qPrintable(skipped.toString());

    QJSEngine page;
    page.evaluate(
        QStringLiteral("var received = null; function onMessage(text) { received = text; }"));
    const QJSValue delivered = page.evaluate(script);
    EXPECT_FALSE(delivered.isError()) << qPrintable(delivered.toString());
    EXPECT_EQ(page.globalObject().property(QStringLiteral("received")).toString(),
              BridgeProtocol::pushText(QStringLiteral("queryLogin"), param));

    // A global that is not a function is left alone too.
    QJSEngine other;
    other.evaluate(QStringLiteral("var onMessage = 5;"));
    EXPECT_FALSE(other.evaluate(script).isError());
}

// A result's push text is written without building the message where it can be: it must be
// the message's own text, byte for byte.
TEST(PushResult, ResultTextIsThePushTextOfItsParam)
{
    Json::Value nested(Json::objectValue);
    nested["list"].append(1);
    nested["list"].append(Json::Value(Json::objectValue));
    nested["list"].append(Json::Value(Json::arrayValue));
    nested["text"] = "中文 \"q\" \\ \n";
    nested["b"] = 2.5e-7;
    const Json::Value data[] = {Json::Value(),
                                Json::Value(true),
                                Json::Value(-3),
                                Json::Value("plain"),
                                Json::Value(Json::objectValue),
                                nested};
    const QString names[] = {QStringLiteral("queryLogin"), QStringLiteral("QUERY login"),
                             QStringLiteral("na\"me"),     QStringLiteral("back\\slash"),
                             QStringLiteral("中文"),       QString()};
    const QString messages[] = {QString(), QStringLiteral("plain text"), QStringLiteral("不行"),
                                QStringLiteral("tab\tand \"quotes\""), QString(QChar(0x7f))};
    for (const Json::Value &value : data) {
        for (const QString &name : names) {
            for (const QString &msg : messages) {
                for (const bool result : {true, false}) {
                    auto reply = std::make_shared<QDtaReply>();
                    reply->setResult(result);
                    reply->setMsg(msg);
                    reply->setData(value);
                    EXPECT_EQ(BridgeProtocol::resultText(name, reply).toStdString(),
                              BridgeProtocol::pushText(name, BridgeProtocol::callbackParam(reply))
                                  .toStdString());
                }
            }
        }
    }
}

TEST(PushResult, OkReplyTextIsTheWritersTextOfTheReply)
{
    Json::Value nested(Json::objectValue);
    nested["login"] = true;
    nested["user"]["name"] = "名字 \"q\"\n";
    nested["user"]["ids"].append(1);
    nested["user"]["ids"].append(2);
    Json::Value longList(Json::arrayValue);
    for (int i = 0; i < 40; ++i)
        longList.append(i * 1000);
    Json::Value listOfObjects(Json::arrayValue);
    listOfObjects.append(nested);
    listOfObjects.append(Json::Value(Json::objectValue));
    const Json::Value data[] = {Json::Value(),
                                Json::Value(false),
                                Json::Value(1.5),
                                Json::Value("line\nbreak"),
                                Json::Value(Json::objectValue),
                                Json::Value(Json::arrayValue),
                                nested,
                                longList,
                                listOfObjects};
    for (const Json::Value &value : data)
        EXPECT_EQ(BridgeProtocol::okReplyText(value),
                  BridgeProtocol::replyText(BridgeProtocol::okReply(value)));
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
