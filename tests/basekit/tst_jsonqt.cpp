// QString conversions for JSON values: UTF-8 both ways, no throwing on the wrong kind of
// value, one-line and indented text that parses back to the same value.
#include "jsonqt.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

Json::Value parse(const QString &text)
{
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text.toStdString(), value, true)) << text.toStdString();
    return value;
}

} // namespace

TEST(BasekitJson, TextKeepsEveryCharacterBothWays)
{
    const QStringList texts {QStringLiteral("plain"),
                             QStringLiteral("中文 ✓ 😀"),
                             QStringLiteral("quote \" backslash \\ slash /"),
                             QStringLiteral("</script><script>alert(1)</script>"),
                             QStringLiteral("line\nbreak\ttab\r"),
                             QString(QChar(0x2028)),
                             QString()};
    for (const QString &text : texts) {
        const Json::Value value = Json::fromQString(text);
        ASSERT_TRUE(value.isString());
        EXPECT_EQ(Json::asQString(value), text);
        Json::Value object;
        object["text"] = value;
        const QString line = Json::toQString(object, false);
        EXPECT_FALSE(line.contains(QLatin1Char('\n'))) << line.toStdString();
        EXPECT_EQ(Json::asQString(parse(line)["text"]), text);
    }
}

TEST(BasekitJson, AsQStringOfOtherKinds)
{
    EXPECT_EQ(Json::asQString(Json::Value()), QString());
    EXPECT_EQ(Json::asQString(Json::Value(true)), QStringLiteral("true"));
    EXPECT_EQ(Json::asQString(Json::Value(42)), QStringLiteral("42"));
    Json::Value object;
    object["a"] = 1;
    Json::Value array(Json::arrayValue);
    array.append(1);
    // Containers have no text of their own; asking must not throw.
    EXPECT_EQ(Json::asQString(object), QString());
    EXPECT_EQ(Json::asQString(array), QString());
}

TEST(BasekitJson, StyledTextIsIndentedAndOneLineIsCompact)
{
    Json::Value reply;
    reply["result"] = true;
    reply["data"]["login"] = false;
    reply["msg"] = "";
    const QString styled = Json::toQString(reply, true);
    const QString line = Json::toQString(reply, false);
    EXPECT_TRUE(styled.contains(QLatin1Char('\n')));
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    EXPECT_EQ(line, QStringLiteral("{\"data\":{\"login\":false},\"msg\":\"\",\"result\":true}"));
    EXPECT_EQ(parse(styled), reply);
    EXPECT_EQ(parse(line), reply);
}
