// The bridge's text protocol, script values and script batches, without a browser.

#include "qjsexecstate.h"
#include "qpromptchannel.h"
#include "qscriptbatch.h"
#include "scriptliteral.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

QString payload(const char *json)
{
    return QString::fromUtf8(json);
}

} // namespace

struct OriginCase
{
    const char *loaded;
    const char *document;
    bool same;
};

class EngineSameOrigin : public testing::TestWithParam<OriginCase>
{
};

TEST_P(EngineSameOrigin, DecidesByOrigin)
{
    const OriginCase c = GetParam();
    EXPECT_EQ(QPromptChannel::isSameOrigin(QUrl(QString::fromUtf8(c.loaded)),
                                           QUrl(QString::fromUtf8(c.document))),
              c.same)
        << c.loaded << " vs " << c.document;
}

INSTANTIATE_TEST_SUITE_P(
    EngineOrigins, EngineSameOrigin,
    testing::Values(OriginCase {"http://127.0.0.1:8080/index.html", "http://127.0.0.1:8080/", true},
                    OriginCase {"http://127.0.0.1:8080/a", "http://127.0.0.1:8081/", false},
                    OriginCase {"http://127.0.0.1:8080/a", "http://localhost:8080/", false},
                    OriginCase {"http://127.0.0.1:8080/a", "https://127.0.0.1:8080/", false},
                    OriginCase {"http://Example.com/a", "http://example.com:80/", true},
                    OriginCase {"https://example.com/a", "https://example.com:443/", true},
                    OriginCase {"https://example.com/a", "https://example.com:8443/", false},
                    OriginCase {"file:///opt/app/dist/index.html", "file:///", true},
                    OriginCase {"file:///opt/app/dist/index.html", "file:///etc/other.html", true},
                    OriginCase {"file:///opt/app/dist/index.html", "http://localhost/", false},
                    OriginCase {"http://localhost/", "file:///", false},
                    OriginCase {"file:///opt/app/index.html", "", false},
                    OriginCase {"file:///opt/app/index.html", "null", false},
                    OriginCase {"", "http://localhost/", false},
                    OriginCase {"data:text/html,x", "data:text/html,x", false},
                    OriginCase {"about:blank", "about:blank", false},
                    OriginCase {"qrc:///index.html", "qrc:///", true}));

class EngineTrustedDocument : public testing::TestWithParam<OriginCase>
{
};

TEST_P(EngineTrustedDocument, SameOriginAndForFilesTheSameFolder)
{
    const OriginCase c = GetParam();
    EXPECT_EQ(QPromptChannel::isTrustedDocument(QUrl(QString::fromUtf8(c.loaded)),
                                                QUrl(QString::fromUtf8(c.document))),
              c.same)
        << c.loaded << " vs " << c.document;
}

INSTANTIATE_TEST_SUITE_P(
    EngineDocuments, EngineTrustedDocument,
    testing::Values(
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/dist/index.html", true},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/dist/other.html?x#y", true},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/dist/sub/page.html", true},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/index.html", false},
        OriginCase {"file:///opt/app/dist/index.html", "file:///tmp/evil.html", false},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/distant/a.html", false},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/dist/../x.html", false},
        OriginCase {"file:///opt/app/dist/index.html", "file:///opt/app/dist", false},
        OriginCase {"file:///opt/app/dist/index.html", "file://server/opt/app/dist/a.html", false},
        OriginCase {"file:///opt/app/dist/index.html", "file:///", false},
        OriginCase {"file:///opt/app/dist/", "file:///opt/app/dist/index.html", true},
        OriginCase {"file:///opt/app/dist/index.html", "http://localhost/dist/index.html", false},
        OriginCase {"http://127.0.0.1:8080/app/index.html", "http://127.0.0.1:8080/other/", true},
        OriginCase {"http://127.0.0.1:8080/app/index.html", "http://localhost:8080/app/", false},
        OriginCase {"https://example.com/", "http://example.com/", false}));

TEST(EngineProtocol, DecodesCallsWithEveryArgumentKind)
{
    // Texts go as they are; every other value as the page's encoder writes it.
    const QString text = QStringLiteral("te") + QChar(0) + QStringLiteral("xt") + QChar(0xd800);
    const QString values[] = {"5.5",
                              "true",
                              "null",
                              "{\"u\":1}",
                              "{\"n\":\"NaN\"}",
                              "{\"n\":\"-Infinity\"}",
                              "{\"n\":\"12\"}",
                              "{\"o\":1}",
                              "[1,[2]]",
                              "{\"a\":[3]}"};
    QString framed = QStringLiteral("@secret:11:win_message11:s%1:%2").arg(text.size()).arg(text);
    for (const QString &value : values)
        framed += QStringLiteral("j%1:%2").arg(value.size()).arg(value);
    const QPromptChannel::Call call = QPromptChannel::decodeCall(framed, QStringLiteral("secret"));
    ASSERT_TRUE(call.valid);
    EXPECT_FALSE(call.isDocumentCheck);
    EXPECT_TRUE(call.posted.isEmpty());
    EXPECT_EQ(call.name, QStringLiteral("win_message"));
    ASSERT_EQ(call.arguments.size(), 11);
    EXPECT_EQ(call.arguments.at(0).toString(), text);
    EXPECT_EQ(call.arguments.at(1).toDouble(), 5.5);
    EXPECT_TRUE(call.arguments.at(2).toBool());
    EXPECT_TRUE(call.arguments.at(3).isNull());
    EXPECT_TRUE(call.arguments.at(4).isUndefined());
    EXPECT_TRUE(std::isnan(call.arguments.at(5).toDouble()));
    EXPECT_TRUE(std::isinf(call.arguments.at(6).toDouble()));
    EXPECT_LT(call.arguments.at(6).toDouble(), 0);
    EXPECT_EQ(call.arguments.at(7).toDouble(), 12);
    // Objects, and arrays a forged call might hold, carry no data.
    for (int i = 8; i < 11; ++i)
        EXPECT_EQ(call.arguments.at(i), QJsonValue(QJsonObject())) << i;

    // Calls posted before it ride ahead of the waiting one.
    const QPromptChannel::Call carried = QPromptChannel::decodeCall(
        QStringLiteral("@secret:1:a0:1:b1:s2:ok1:c0:"), QStringLiteral("secret"));
    ASSERT_TRUE(carried.valid);
    EXPECT_EQ(carried.name, QStringLiteral("c"));
    ASSERT_EQ(carried.posted.size(), 2);
    EXPECT_EQ(carried.posted[0].name, QStringLiteral("a"));
    EXPECT_EQ(carried.posted[1].arguments.value(0).toString(), QStringLiteral("ok"));

    const QPromptChannel::Call check = QPromptChannel::decodeCall(
        QStringLiteral("?secret:file:///opt/app/index.html"), QStringLiteral("secret"));
    ASSERT_TRUE(check.valid);
    EXPECT_TRUE(check.isDocumentCheck);
    EXPECT_EQ(check.documentAddress, QStringLiteral("file:///opt/app/index.html"));
}

// Posted calls are framed text: each part its length, a colon, then the characters as they are.
TEST(EngineProtocol, DecodesFramedPostedCalls)
{
    const QString text = QStringLiteral("a:b\u00003:\"x\"");
    const QString framed = QStringLiteral("11:win_message1:s%1:%2").arg(text.size()).arg(text)
        + QStringLiteral("5:win_x0:") + QStringLiteral("1:f3:j3:5.5j4:nullj7:{\"u\":1}");
    const QVector<QPromptChannel::Invocation> calls = QPromptChannel::decodePosted(framed);
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].name, QStringLiteral("win_message"));
    ASSERT_EQ(calls[0].arguments.size(), 1);
    EXPECT_EQ(calls[0].arguments[0].toString(), text);
    EXPECT_EQ(calls[1].name, QStringLiteral("win_x"));
    EXPECT_TRUE(calls[1].arguments.isEmpty());
    ASSERT_EQ(calls[2].arguments.size(), 3);
    EXPECT_EQ(calls[2].arguments[0].toDouble(), 5.5);
    EXPECT_TRUE(calls[2].arguments[1].isNull());
    EXPECT_TRUE(calls[2].arguments[2].isUndefined());

    // A repeat mark stands for the call before it in the same text.
    QStringList repeated;
    for (const auto &call :
         QPromptChannel::decodePosted(QStringLiteral("1:f1:s2:ok**1:g0:*1:f1:s1:x")))
        repeated << call.name + QLatin1Char(':') + call.arguments.value(0).toString();
    EXPECT_EQ(repeated.join(QLatin1Char(' ')), QStringLiteral("f:ok f:ok f:ok g: g: f:x"));
    EXPECT_TRUE(QPromptChannel::decodePosted(QStringLiteral("*1:f0:")).isEmpty());

    // A part of the wrong form ends the list; the calls before it stand.
    const char *broken[] = {"",           "3",          "3:ab",          "2:ab",
                            "2:ab1",      "2:ab1:",     "2:ab1:x2:ab",   "2:ab1:s9:ab",
                            "2:ab1:s-1:", "2:ab99999:", "99999999999:x", "2:ab1:s2:ab1:x"};
    const QString good = QStringLiteral("1:f1:s2:ok");
    for (const char *tail : broken) {
        const QVector<QPromptChannel::Invocation> decoded =
            QPromptChannel::decodePosted(good + QString::fromLatin1(tail));
        ASSERT_GE(decoded.size(), 1) << tail;
        EXPECT_EQ(decoded[0].arguments.value(0).toString(), QStringLiteral("ok")) << tail;
        EXPECT_LE(decoded.size(), 2) << tail;
    }
}

// Only a whole call written with the token is a call: a broken one runs nothing, not even
// the posted calls ahead of it.
TEST(EngineProtocol, RejectsPayloadsWithoutTheTokenOrOfTheWrongForm)
{
    const struct
    {
        const char *payload;
        bool valid;
    } rows[] = {
        {"@ab12:1:f0:", true},
        {"?ab12:file:///x", true},
        {"@ab12:1:f0:1:g1:s0:", true},
        {"@ab123:1:f0:", false},
        {"@ab1:1:f0:", false},
        {"@AB12:1:f0:", false},
        {"@ab12", false},
        {"@ab12:", false},
        {"?ab1", false},
        {" @ab12:1:f0:", false},
        {"{\"t\":\"ab12\",\"n\":\"f\",\"a\":[]}", false},
        {"@ab12:1:f1:", false},
        {"@ab12:1:f1:x1:a", false},
        {"@ab12:1:f0:1:g", false},
        {"@ab12:1:f0:junk", false},
        {"@ab12:1:f0:*", true},
        {"@ab12:*", false},
        {"@ab12:*1:f0:", false},
        {"@ab12:2:f0:", false},
        {"", false},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(QPromptChannel::decodeCall(payload(row.payload), QStringLiteral("ab12")).valid,
                  row.valid)
            << row.payload;
    }
    EXPECT_FALSE(QPromptChannel::decodeCall(payload("@:1:f0:"), QString()).valid);
}

TEST(EngineProtocol, EncodesResultsByType)
{
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(QStringLiteral("a\u2028b"))),
              QStringLiteral("sa\u2028b"));
    EXPECT_EQ(QPromptChannel::encodeInteger(-42), QStringLiteral("i-42"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(0.1)), QStringLiteral("n0.10000000000000001"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(std::nan(""))), QStringLiteral("nNaN"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(true)), QStringLiteral("b1"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(QJsonValue::Null)), QStringLiteral("z"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(QJsonValue::Undefined)), QStringLiteral("u"));
    EXPECT_EQ(QPromptChannel::encodeValue(QJsonValue(QJsonObject())), QStringLiteral("u"));
}

TEST(EngineProtocol, EscapesNulInTextResults)
{
    // prompt() cuts its result at U+0000: such texts carry U+0000 and U+0001 escaped.
    QString text = QStringLiteral("a");
    text += QChar(0);
    text += QChar(1);
    text += QStringLiteral("0");
    const QString encoded = QPromptChannel::encodeValue(QJsonValue(text));
    EXPECT_FALSE(encoded.contains(QChar(0)));
    EXPECT_EQ(encoded, QStringLiteral("Sa\u00010\u000110"));
}

TEST(EngineProtocol, AcceptsOnlyIdentifiersAsNames)
{
    EXPECT_TRUE(QPromptChannel::isValidName(QStringLiteral("win_message")));
    EXPECT_TRUE(QPromptChannel::isValidName(QStringLiteral("$x9")));
    for (const char *bad : {"", "9x", "a-b", "a b", "x'];alert(1);//", "a.b", "__nativeBridge"}) {
        EXPECT_FALSE(QPromptChannel::isValidName(QString::fromUtf8(bad))) << bad;
    }
}

TEST(EngineProtocol, ScriptLiteralsHoldAnyText)
{
    QString text = QStringLiteral("\"'\\\n\r\u2028\u2029</script>\x01\x7f中");
    text += QChar(0);
    EXPECT_EQ(ScriptLiteral::quoted(text),
              QStringLiteral("\"\\\"'\\\\\\n\\r\\u2028\\u2029</script>\\u0001\\u007f中\\u0000\""));
    // Past ASCII, each unit of a surrogate pair gets its own escape.
    EXPECT_EQ(ScriptLiteral::quoted(QStringLiteral("a中😀\n"), QLatin1Char('"'),
                                    ScriptLiteral::kAsciiOnly),
              QStringLiteral("\"a\\u4e2d\\ud83d\\ude00\\n\""));
}

TEST(EngineExecState, ReadsArgumentsAndMakesValues)
{
    QString withNul = QStringLiteral("a");
    withNul += QChar(0);
    withNul += QStringLiteral("é");
    QJsExecState state({QJsonValue(withNul), QJsonValue(3.9), QJsonValue(QJsonValue::Null)});
    EXPECT_EQ(state.argumentCount(), 3);
    EXPECT_STREQ(state.toUtf8(state.argument(0)), "a\xC0\x80\xC3\xA9");
    // The same pointer while the call lasts.
    const char *first = state.toUtf8(state.argument(0));
    EXPECT_EQ(state.toUtf8(state.argument(0)), first);
    // Nor does reading a value made later move it.
    EXPECT_STREQ(state.toUtf8(state.string(QStringLiteral("later"))), "later");
    EXPECT_EQ(state.toUtf8(state.argument(0)), first);
    EXPECT_STREQ(first, "a\xC0\x80\xC3\xA9");
    QJsExecState empty({QJsonValue(QString(""))});
    EXPECT_STREQ(empty.toUtf8(empty.argument(0)), "");
    EXPECT_EQ(state.toUtf8(state.argument(1)), nullptr);
    EXPECT_EQ(state.toUtf8(state.argument(2)), nullptr);
    EXPECT_EQ(state.toInt(state.argument(1)), 3);
    EXPECT_EQ(state.argument(3), QJsExecState::undefined());
    EXPECT_EQ(state.argument(-1), QJsExecState::undefined());

    const jsValue made = state.stringFromUtf8("a\xC0\x80\xC3\xA9");
    EXPECT_EQ(state.encodeResult(made), QPromptChannel::encodeValue(QJsonValue(withNul)));
    EXPECT_EQ(state.encodeResult(QJsExecState::integer(INT_MIN)), QStringLiteral("i-2147483648"));
    EXPECT_EQ(QJsExecState::inlineInteger(QJsExecState::integer(-5)), -5);
    EXPECT_EQ(state.encodeResult(QJsExecState::undefined()), QStringLiteral("u"));
    EXPECT_EQ(state.stringFromUtf8(nullptr), QJsExecState::undefined());
}

TEST(EngineExecState, RefusesValuesOfOtherCalls)
{
    QJsExecState first({QJsonValue(QStringLiteral("first"))});
    QJsExecState second({QJsonValue(QStringLiteral("second"))});
    const jsValue fromFirst = first.argument(0);
    EXPECT_EQ(second.toUtf8(fromFirst), nullptr);
    EXPECT_EQ(second.encodeResult(fromFirst), QStringLiteral("u"));
    EXPECT_EQ(second.toInt(fromFirst), 0);
    EXPECT_EQ(second.toUtf8(static_cast<jsValue>(0x7fffffffffffffffLL)), nullptr);
}

TEST(EngineExecState, ConvertsToIntegers)
{
    const QVector<QPair<QJsonValue, int>> cases = {
        {QJsonValue(7.9), 7},
        {QJsonValue(-7.9), -7},
        {QJsonValue(1e300), INT_MAX},
        {QJsonValue(-1e300), INT_MIN},
        {QJsonValue(std::nan("")), 0},
        {QJsonValue(true), 1},
        {QJsonValue(QStringLiteral(" 12 ")), 12},
        {QJsonValue(QStringLiteral("0x10")), 16},
        {QJsonValue(QStringLiteral("1e3")), 1000},
        {QJsonValue(QStringLiteral("twelve")), 0},
        {QJsonValue(QStringLiteral("")), 0},
        {QJsonValue(QJsonValue::Null), 0},
        {QJsonValue(QJsonValue::Undefined), 0},
        {QJsonValue(QJsonObject()), 0},
    };
    for (const auto &c : cases) {
        QJsExecState state({c.first});
        EXPECT_EQ(state.toInt(state.argument(0)), c.second);
    }
}

TEST(EngineScriptBatch, JoinsInOrderWithinTheSizeLimit)
{
    QScriptBatch batch;
    for (int i = 0; i < 5; ++i)
        batch.append(QStringLiteral("step(%1)").arg(i));
    const QScriptBatch::Batch all = batch.take();
    EXPECT_TRUE(batch.isEmpty());
    EXPECT_EQ(all.scripts.size(), 5);
    int last = -1;
    for (int i = 0; i < 5; ++i) {
        const int at = all.source.indexOf(QStringLiteral("step(%1)").arg(i));
        EXPECT_GT(at, last);
        last = at;
    }

    // A small limit splits the queue, but never below one script per batch.
    for (int i = 0; i < 4; ++i)
        batch.append(QString(1000, QLatin1Char('x')));
    EXPECT_EQ(batch.take(10).scripts.size(), 1);
    EXPECT_EQ(batch.take(2500).scripts.size(), 2);
    EXPECT_EQ(batch.size(), 1);
    EXPECT_EQ(batch.takeFirst(), QString(1000, QLatin1Char('x')));
}

TEST(EngineScriptBatch, KeepsScriptsApartFromTheirWrapping)
{
    // The offsets given to the page cut out exactly each script from the joined source.
    QScriptBatch batch;
    const QStringList scripts = {QStringLiteral("a() // comment"), QStringLiteral("b(\"\\n\")"),
                                 QStringLiteral("c('\u2028')")};
    for (const QString &script : scripts)
        batch.append(script);
    const QString source = batch.take().source;
    const int open = source.lastIndexOf(QLatin1Char('['));
    const QStringList cuts = source.mid(open + 1, source.size() - open - 3).split(QLatin1Char(','));
    ASSERT_EQ(cuts.size(), 6);
    // The joined text is the literal between the runner and the offsets.
    const int literalStart = source.indexOf(QStringLiteral("})(\"")) + 3;
    const QString literal = source.mid(literalStart, open - 1 - literalStart);
    QString joined;
    for (int i = 1; i < literal.size() - 1; ++i) {
        if (literal.at(i) == QLatin1Char('\\')) {
            const QChar next = literal.at(++i);
            if (next == QLatin1Char('n'))
                joined += QLatin1Char('\n');
            else if (next == QLatin1Char('u')) {
                joined += QChar(literal.mid(i + 1, 4).toUShort(nullptr, 16));
                i += 4;
            } else
                joined += next;
        } else {
            joined += literal.at(i);
        }
    }
    for (int i = 0; i < scripts.size(); ++i) {
        const int start = cuts.at(2 * i).toInt();
        const int end = cuts.at(2 * i + 1).toInt();
        EXPECT_EQ(joined.mid(start, end - start), scripts.at(i));
    }
}
