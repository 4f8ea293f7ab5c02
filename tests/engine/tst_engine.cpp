// The engine library driven through its C interface, as the shell drives it, on a real browser.

#include "enginetesthost.h"
#include "privatebrowserdata.h"
#include "qpromptchannel.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

EngineApi *g_api = nullptr;
int g_countCalls = 0;
int g_earlyCalls = 0;
int g_lateCalls = 0;
QByteArray g_lastText;
bool g_lastTextWasNull = false;

jsValue WKE_CALL getText(jsExecState state)
{
    return g_api->string(state, "hello from C");
}

jsValue WKE_CALL getInt(jsExecState)
{
    return g_api->makeInt(42);
}

jsValue WKE_CALL getUndefined(jsExecState)
{
    return g_api->undefined();
}

jsValue WKE_CALL getWide(jsExecState state)
{
    return g_api->stringW(state, L"宽字符 \u2713");
}

jsValue WKE_CALL argCount(jsExecState state)
{
    return g_api->makeInt(g_api->argCount(state));
}

jsValue WKE_CALL toInt(jsExecState state)
{
    return g_api->makeInt(g_api->toInt(state, g_api->arg(state, 0)));
}

jsValue WKE_CALL isText(jsExecState state)
{
    return g_api->makeInt(g_api->toString(state, g_api->arg(state, 0)) ? 1 : 0);
}

jsValue WKE_CALL echoText(jsExecState state)
{
    const char *text = g_api->toString(state, g_api->arg(state, 0));
    g_lastTextWasNull = !text;
    g_lastText = text ? QByteArray(text) : QByteArray();
    return text ? g_api->string(state, text) : g_api->undefined();
}

jsValue WKE_CALL echoValue(jsExecState state)
{
    return g_api->arg(state, 0);
}

jsValue WKE_CALL countCalls(jsExecState)
{
    return g_api->makeInt(++g_countCalls);
}

jsValue WKE_CALL callstack(jsExecState state)
{
    const char *stack = g_api->getCallstack(state);
    return stack ? g_api->string(state, stack) : g_api->makeInt(-1);
}

jsValue WKE_CALL pushFromCall(jsExecState)
{
    // A handler may queue scripts; they run after it has returned.
    g_api->runJSW(EngineTestHost::instance().view,
                  L"window.pushedFromCall = (window.pushedFromCall || 0) + 1");
    return g_api->makeInt(1);
}

jsValue WKE_CALL staleValue(jsExecState state)
{
    // A value kept from an earlier call reads as undefined, never as another call's data.
    static jsValue kept = 0;
    const jsValue previous = kept;
    kept = g_api->arg(state, 0);
    return previous;
}

wkeWebView g_viewToDestroy = nullptr;
bool g_destroyedInCall = false;

jsValue WKE_CALL destroyView(jsExecState)
{
    // The browser is still inside this view's call: the view must go only afterwards.
    g_api->destroyWebView(g_viewToDestroy);
    g_destroyedInCall = true;
    return g_api->makeInt(1);
}

jsValue WKE_CALL throwingFunction(jsExecState)
{
    throw std::runtime_error("a host function that throws");
}

jsValue WKE_CALL earlyFunction(jsExecState)
{
    return g_api->makeInt(++g_earlyCalls);
}

jsValue WKE_CALL lateFunction(jsExecState)
{
    return g_api->makeInt(++g_lateCalls);
}

QByteArray modifiedUtf8(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace(QByteArray(1, '\0'), QByteArrayLiteral("\xC0\x80"));
    return bytes;
}

QJsonObject jsonObject(const QVariant &value)
{
    return QJsonDocument::fromJson(value.toString().toUtf8()).object();
}

/// Collects what the process writes to stderr while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        std::fflush(stderr);
        QFile file(m_file.fileName());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

class tst_Engine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void syncCalls();
    void argumentRoundTrip_data();
    void argumentRoundTrip();
    void bindingsReachEveryView();
    void pageScriptsMakeTheFunctionsThePageGets();
    void otherPromptsStayNormal();
    void foreignDocumentsGetNothing();
    void redirectsOfTheLoadedAddressDecideItsOrigin();
    void pageScriptCannotReadTheToken();
    void loadingFinishReports();
    void newWindowsStayInView();
    void scriptsRunInOrder();
    void windowGeometryAndTools();

private:
    void expectNoBridge();

    EngineTestHost &host = EngineTestHost::instance();
    EngineApi &api = EngineTestHost::instance().api;
};

void tst_Engine::initTestCase()
{
    QVERIFY2(host.loadEngine(), qPrintable(api.error()));
    g_api = &api;
    // Bound before the engine starts or any view exists: must reach every view.
    api.bindFunction("early_fn", earlyFunction, 0);

    StderrCapture capture;
    api.initializeEx(nullptr);
    const QByteArray warnings = capture.text();
    capture.restore();
    if (geteuid() == 0)
        QVERIFY2(warnings.contains("sandbox"), warnings.constData());

    api.bindFunction("get_text", getText, 0);
    api.bindFunction("get_int", getInt, 0);
    api.bindFunction("get_undefined", getUndefined, 0);
    api.bindFunction("get_wide", getWide, 0);
    api.bindFunction("arg_count", argCount, 0);
    api.bindFunction("to_int", toInt, 1);
    api.bindFunction("is_text", isText, 1);
    api.bindFunction("echo_text", echoText, 1);
    api.bindFunction("echo_value", echoValue, 1);
    api.bindFunction("count_calls", countCalls, 0);
    api.bindFunction("call_stack", callstack, 0);
    api.bindFunction("push_from_call", pushFromCall, 0);
    api.bindFunction("stale_value", staleValue, 1);
    api.bindFunction("destroy_view", destroyView, 0);
    api.bindFunction("throwing", throwingFunction, 0);
    QVERIFY(host.createView());
    const LoadReport load =
        host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
}

void tst_Engine::cleanupTestCase()
{
    // The shell's order: finalise first, then destroy the view (already gone by then).
    api.finalize();
    QVERIFY(!host.webView(host.view));
    api.destroyWebView(host.view);
    delete host.frame;
    host.frame = nullptr;
}

void tst_Engine::syncCalls()
{
    const QJsonObject results = jsonObject(host.evaluate(QStringLiteral(R"JS(JSON.stringify({
        text: get_text(), textType: typeof get_text(),
        int: get_int(), intType: typeof get_int(),
        undefinedType: typeof get_undefined(),
        wide: get_wide(),
        count: arg_count(1, 'a', null, undefined, {}),
        declared: to_int.length,
        ints: [to_int(7.9), to_int(-7.9), to_int('42'), to_int(' 0x1F '), to_int(true),
               to_int(null), to_int(undefined), to_int({}), to_int(NaN), to_int(1e20),
               to_int(-1e20), to_int('abc'), to_int(10n)],
        texts: [is_text(''), is_text('x'), is_text(5), is_text(true), is_text(null),
                is_text(undefined), is_text({}), is_text([1])],
        echoes: [echo_value(5) === 5, echo_value(1.5) === 1.5, echo_value(true) === true,
                 echo_value(false) === false, echo_value(null) === null,
                 echo_value(undefined) === undefined, Number.isNaN(echo_value(NaN)),
                 echo_value(-Infinity) === -Infinity, echo_value({a: 1}) === undefined],
        stack: call_stack(),
        thrown: [typeof throwing(), get_int()],
        pushed: push_from_call(),
        stale: [stale_value('first'), stale_value('second')]
    }))JS")));
    QCOMPARE(results.value("text").toString(), QStringLiteral("hello from C"));
    QCOMPARE(results.value("textType").toString(), QStringLiteral("string"));
    QCOMPARE(results.value("int").toInt(), 42);
    QCOMPARE(results.value("intType").toString(), QStringLiteral("number"));
    QCOMPARE(results.value("undefinedType").toString(), QStringLiteral("undefined"));
    QCOMPARE(results.value("wide").toString(), QStringLiteral("宽字符 \u2713"));
    QCOMPARE(results.value("count").toInt(), 5);
    QCOMPARE(results.value("declared").toInt(), 1);
    const QVector<int> ints = {7, -7, 42, 31, 1, 0, 0, 0, 0, INT_MAX, INT_MIN, 0, 10};
    const QJsonArray gotInts = results.value("ints").toArray();
    QCOMPARE(gotInts.size(), ints.size());
    for (int i = 0; i < ints.size(); ++i)
        QCOMPARE(gotInts.at(i).toInt(), ints.at(i));
    QCOMPARE(results.value("texts").toArray(), QJsonArray({1, 1, 0, 0, 0, 0, 0, 0}));
    for (const QJsonValue &echo : results.value("echoes").toArray())
        QVERIFY(echo.toBool());
    QVERIFY(results.value("stack").isString());
    // An exception of the host never unwinds into the browser; the call gives undefined.
    QCOMPARE(results.value("thrown").toArray(), QJsonArray({QStringLiteral("undefined"), 42}));
    QCOMPARE(results.value("pushed").toInt(), 1);
    // The first call has nothing kept; the second call's kept value is from another call.
    QCOMPARE(results.value("stale").toArray(), QJsonArray({QJsonValue(), QJsonValue()}));
    QTRY_COMPARE(host.evaluate(QStringLiteral("window.pushedFromCall")).toInt(), 1);
}

void tst_Engine::argumentRoundTrip_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("repeat");
    const QChar nul(0);
    QTest::newRow("ascii") << QStringLiteral("hello") << 1;
    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\" `ticked`") << 1;
    QTest::newRow("backslashes") << QStringLiteral("C:\\path\\to \\\\ \\n \\u0041") << 1;
    QTest::newRow("newlines") << QStringLiteral("one\ntwo\r\nthree\rfour") << 1;
    QTest::newRow("separators") << QStringLiteral("a\u2028b\u2029c") << 1;
    QTest::newRow("nul") << (QStringLiteral("a") + nul + QStringLiteral("b") + nul) << 1;
    QTest::newRow("nul and escape char")
        << (QString(QChar(1)) + nul + QChar(1) + QStringLiteral("1") + nul + QStringLiteral("0"))
        << 1;
    QTest::newRow("control") << QStringLiteral("\x01\x02\x1f\x7f\t") << 1;
    QTest::newRow("script end") << QStringLiteral("</script><script>alert(1)</script>") << 1;
    QTest::newRow("non-ascii") << QStringLiteral("中文 ¡olé! \U0001F600 Ωmega") << 1;
    QTest::newRow("json") << QStringLiteral("{\"cmd\":\"x\",\"param\":[1,\"\\\"\"]}") << 1;
    QTest::newRow("marker") << QPromptChannel::callMarker() << 1;
    QTest::newRow("1 MB") << (QStringLiteral("x\u2028\"\\é\U0001F600") + nul) << 150000;
}

void tst_Engine::argumentRoundTrip()
{
    QFETCH(QString, pattern);
    QFETCH(int, repeat);
    const QString text = pattern.repeated(repeat);
    const QString expression =
        EngineTestHost::literal(pattern) + QStringLiteral(".repeat(%1)").arg(repeat);
    const QJsonObject results = jsonObject(host.evaluate(
        QStringLiteral("(function () { var s = %1; var t = echo_text(s), v = echo_value(s);"
                       "return JSON.stringify({text: t === s, value: v === s, length: s.length,"
                       "textLength: typeof t === 'string' ? t.length : -1}); })()")
            .arg(expression)));
    QCOMPARE(results.value("length").toInt(), text.size());
    QCOMPARE(results.value("textLength").toInt(), text.size());
    QVERIFY(results.value("text").toBool());
    QVERIFY(results.value("value").toBool());
    QVERIFY(!g_lastTextWasNull);
    QCOMPARE(g_lastText, modifiedUtf8(text));
}

void tst_Engine::bindingsReachEveryView()
{
    // A function bound while a page is shown is usable at once, and after every reload.
    QCOMPARE(host.evaluate(QStringLiteral("typeof late_fn")).toString(),
             QStringLiteral("undefined"));
    api.bindFunction("late_fn", lateFunction, 0);
    QTRY_COMPARE(host.evaluate(QStringLiteral("typeof late_fn")).toString(),
                 QStringLiteral("function"));
    QCOMPARE(host.evaluate(QStringLiteral("late_fn()")).toInt(), 1);
    QCOMPARE(host.evaluate(QStringLiteral("early_fn()")).toInt(), 1);
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("other.html")));
    QCOMPARE(host.evaluate(QStringLiteral("late_fn() + early_fn()")).toInt(), 2 + 2);

    // A view created later has every binding, however old.
    const wkeWebView first = host.view;
    const wkeWebView second = host.createView();
    QVERIFY(second);
    QVERIFY(second != first);
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    QCOMPARE(host.evaluate(QStringLiteral("late_fn() * 10 + early_fn()"), second).toInt(),
             3 * 10 + 3);
    // A view destroyed from inside its own bound function goes once the call is over.
    g_viewToDestroy = second;
    api.runJSW(second, L"destroy_view()");
    QTRY_VERIFY(g_destroyedInCall);
    // Its handle is refused at once, not followed.
    QCOMPARE(api.width(second), 0);
    QTRY_COMPARE(host.frame->findChildren<QWebEngineView *>().size(), 1);
    host.view = first;
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
}

void tst_Engine::pageScriptsMakeTheFunctionsThePageGets()
{
    // The function keeps its declared length and its name whatever its page script makes of it.
    const struct
    {
        const char *name;
        const char *script;
        const char *call;
        int expected;
    } rows[] = {
        {"get_int", "function (call) { return function () { return call(arguments) + 1; }; }",
         "get_int()", 43},
        // The closing parenthesis after a trailing line comment must not be commented out.
        {"to_int", "function (call) { return function (x) { return call([x]) * 2; }; } // twice",
         "to_int(21)", 42},
        // A script that fails, or makes no function, leaves the plain call in its place.
        {"arg_count", "function () { throw new Error('broken on purpose'); }", "arg_count(1, 2)",
         2},
        {"echo_value", "function () { return 5; }", "echo_value(7)", 7},
    };
    for (const auto &row : rows)
        api.setPageScript(row.name, row.script);
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    for (const auto &row : rows) {
        QCOMPARE(host.evaluate(QString::fromLatin1(row.call)).toInt(), row.expected);
        QCOMPARE(host.evaluate(QString::fromLatin1(row.name) + QStringLiteral(".name")).toString(),
                 QString::fromLatin1(row.name));
    }
    QCOMPARE(host.evaluate(QStringLiteral("[get_int.length, to_int.length].join()")).toString(),
             QStringLiteral("0,1"));

    for (const auto &row : rows)
        api.setPageScript(row.name, "");
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    QCOMPARE(host.evaluate(QStringLiteral("get_int()")).toInt(), 42);
}

void tst_Engine::otherPromptsStayNormal()
{
    // Prompts of the page's own get the usual dialog; answer it as a user would.
    QString shownLabel;
    QString shownValue;
    QTimer answerer;
    answerer.setInterval(20);
    connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QInputDialog *>(widget);
            if (dialog && dialog->isVisible()) {
                shownLabel = dialog->labelText();
                shownValue = dialog->textValue();
                dialog->setTextValue(QStringLiteral("Ada"));
                dialog->accept();
            }
        }
    });
    answerer.start();
    const QVariant answer = host.evaluate(QStringLiteral("prompt('Your name?', 'nobody')"));
    answerer.stop();
    QCOMPARE(shownLabel, QStringLiteral("Your name?"));
    QCOMPARE(shownValue, QStringLiteral("nobody"));
    QCOMPARE(answer.toString(), QStringLiteral("Ada"));
}

void tst_Engine::foreignDocumentsGetNothing()
{
    TestHttpServer server(EngineTestHost::pagesDir());
    QVERIFY(server.start());
    const QString marker = QPromptChannel::callMarker();
    const LoadReport load =
        host.loadAndWait(server.url(QStringLiteral("127.0.0.1"), QStringLiteral("frames.html")));
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
    g_countCalls = 0;
    QCOMPARE(host.evaluate(QStringLiteral("count_calls()")).toInt(), 1);

    // A subframe of another origin reaches nothing; a subframe of the same origin cannot
    // forge a call of its own (it may only call the main frame's functions, as any script of
    // the main frame's origin could).
    host.evaluate(QStringLiteral("addFrame('localhost', 'marker=%1')").arg(marker));
    QTRY_COMPARE(host.evaluate(QStringLiteral("frameReports.length")).toInt(), 1);
    QJsonObject report = jsonObject(host.evaluate(QStringLiteral("frameReports[0]")));
    QCOMPARE(report.value("own").toString(), QStringLiteral("undefined"));
    QCOMPARE(report.value("forged").toString(), QStringLiteral("null"));
    QCOMPARE(report.value("parent").toString(), QStringLiteral("threw SecurityError"));
    QCOMPARE(g_countCalls, 1);

    host.evaluate(QStringLiteral("addFrame('127.0.0.1', 'marker=%1')").arg(marker));
    QTRY_COMPARE(host.evaluate(QStringLiteral("frameReports.length")).toInt(), 2);
    report = jsonObject(host.evaluate(QStringLiteral("frameReports[1]")));
    QCOMPARE(report.value("own").toString(), QStringLiteral("undefined"));
    QCOMPARE(report.value("forged").toString(), QStringLiteral("null"));
    QCOMPARE(report.value("parent").toString(), QStringLiteral("2"));
    QCOMPARE(g_countCalls, 2);

    // While the page goes away the browser refuses the bridge; the function still returns.
    host.loadAndWait(server.url(QStringLiteral("127.0.0.1"), QStringLiteral("leaving.html")));
    host.evaluate(QStringLiteral("localStorage.removeItem('pagehide')"));
    host.evaluate(QStringLiteral("location.href = 'other.html'"));
    QTRY_COMPARE(host.evaluate(QStringLiteral("document.title")).toString(),
                 QStringLiteral("other"));
    QCOMPARE(host.evaluate(QStringLiteral("localStorage.getItem('pagehide')")).toString(),
             QStringLiteral("undefined"));
    QCOMPARE(g_countCalls, 2);

    // The page navigates itself to another origin, directly or through a redirect of its own:
    // that document gets no bound function, and a forged call is refused.
    const QString otherOrigin =
        server.url(QStringLiteral("localhost"), QStringLiteral("other.html"));
    for (const QString &address :
         {otherOrigin, server.redirectUrl(QStringLiteral("127.0.0.1"), otherOrigin)}) {
        host.loadAndWait(server.url(QStringLiteral("127.0.0.1"), QStringLiteral("bridge.html")));
        QCOMPARE(host.evaluate(QStringLiteral("typeof count_calls")).toString(),
                 QStringLiteral("function"));
        const int loadsBefore = host.loads.size();
        host.evaluate(QStringLiteral("location.href = %1").arg(EngineTestHost::literal(address)));
        QTRY_VERIFY(host.loads.size() > loadsBefore);
        QCOMPARE(host.webView(host.view)->url().host(), QStringLiteral("localhost"));
        expectNoBridge();
    }
    QCOMPARE(g_countCalls, 2);

    // A file: page shares its origin with every local file, but only its own folder belongs
    // with it.
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    host.evaluate(QStringLiteral("location.href = 'other.html'"));
    QTRY_COMPARE(host.evaluate(QStringLiteral("document.title")).toString(),
                 QStringLiteral("other"));
    QCOMPARE(host.evaluate(QStringLiteral("count_calls()")).toInt(), 3);
    QTemporaryDir elsewhere;
    QVERIFY(QFile::copy(EngineTestHost::pagesDir() + QStringLiteral("/other.html"),
                        elsewhere.filePath(QStringLiteral("planted.html"))));
    host.evaluate(QStringLiteral("location.href = %1")
                      .arg(EngineTestHost::literal(
                          QUrl::fromLocalFile(elsewhere.filePath(QStringLiteral("planted.html")))
                              .toString())));
    QTRY_VERIFY(host.webView(host.view)->url().path().endsWith(QLatin1String("planted.html")));
    QTRY_COMPARE(host.evaluate(QStringLiteral("document.title")).toString(),
                 QStringLiteral("other"));
    expectNoBridge();
    QCOMPARE(g_countCalls, 3);
}

void tst_Engine::expectNoBridge()
{
    const QString marker = QPromptChannel::callMarker();
    QCOMPARE(host.evaluate(QStringLiteral("typeof count_calls + ' ' + typeof %1")
                               .arg(QPromptChannel::bridgeGlobalName()))
                 .toString(),
             QStringLiteral("undefined undefined"));
    QCOMPARE(host.evaluate(QStringLiteral("String(prompt(%1, JSON.stringify({t: 'x', n: "
                                          "'count_calls', a: []})))")
                               .arg(EngineTestHost::literal(marker)))
                 .toString(),
             QStringLiteral("null"));
}

void tst_Engine::redirectsOfTheLoadedAddressDecideItsOrigin()
{
    TestHttpServer server(EngineTestHost::pagesDir());
    QVERIFY(server.start());
    // The loaded address redirects to another host: the page there is the page.
    const QString page = server.url(QStringLiteral("127.0.0.1"), QStringLiteral("bridge.html"));
    const LoadReport load = host.loadAndWait(server.redirectUrl(
        QStringLiteral("localhost"), server.redirectUrl(QStringLiteral("localhost"), page)));
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
    QCOMPARE(host.webView(host.view)->url().toString(), page);
    g_countCalls = 0;
    QCOMPARE(host.evaluate(QStringLiteral("count_calls()")).toInt(), 1);
    // The host it came through is not the page's origin.
    const int loadsBefore = host.loads.size();
    host.evaluate(QStringLiteral("location.href = %1")
                      .arg(EngineTestHost::literal(
                          server.url(QStringLiteral("localhost"), QStringLiteral("other.html")))));
    QTRY_VERIFY(host.loads.size() > loadsBefore);
    expectNoBridge();
    QCOMPARE(g_countCalls, 1);
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
}

void tst_Engine::pageScriptCannotReadTheToken()
{
    // Every method the page can replace that a bridge call might use records what it is
    // given; none may see the call's payload, and the calls still work.
    const QJsonObject results = jsonObject(host.evaluate(QStringLiteral(R"JS((function () {
        var seen = [];
        function record(what) {
            return function () {
                try { seen.push(what + ':' + Object.keys(this).join()); } catch (e) { seen.push(what); }
                return what;
            };
        }
        Object.prototype.toJSON = record('Object.toJSON');
        Array.prototype.toJSON = record('Array.toJSON');
        String.prototype.toJSON = record('String.toJSON');
        var join = Array.prototype.join;
        Array.prototype.join = function () { seen.push('join'); return join.apply(this, arguments); };
        var originalString = window.String;
        window.String = function (v) { seen.push('String'); return originalString(v); };
        var out = {text: echo_text('x'), int: to_int(5), big: to_int(7n), none: typeof get_undefined(),
                   obj: '' + echo_value({a: 1})};
        delete Object.prototype.toJSON;
        delete Array.prototype.toJSON;
        delete String.prototype.toJSON;
        Array.prototype.join = join;
        window.String = originalString;
        out.seen = seen;
        return JSON.stringify(out);
    })())JS")));
    QCOMPARE(results.value("seen").toArray(), QJsonArray());
    QCOMPARE(results.value("text").toString(), QStringLiteral("x"));
    QCOMPARE(results.value("int").toInt(), 5);
    QCOMPARE(results.value("big").toInt(), 7);
    QCOMPARE(results.value("none").toString(), QStringLiteral("undefined"));
    QCOMPARE(results.value("obj").toString(), QStringLiteral("undefined"));
}

void tst_Engine::loadingFinishReports()
{
    const QString good = EngineTestHost::pageUrl(QStringLiteral("other.html"));
    LoadReport load = host.loadAndWait(good);
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
    QCOMPARE(load.url, good);

    const QString missing = EngineTestHost::pageUrl(QStringLiteral("missing.html"));
    const int before = host.loads.size();
    load = host.loadAndWait(missing);
    QCOMPARE(load.result, int(WKE_LOADING_FAILED));
    QCOMPARE(load.url, missing);
    QVERIFY2(load.reason.contains(QStringLiteral("not found")), qPrintable(load.reason));

    // One report per load.
    load = host.loadAndWait(good);
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
    QCOMPARE(host.loads.size(), before + 2);

    // The address the shell builds from the working directory has one slash too many.
    load = host.loadAndWait(QStringLiteral("file:///") + EngineTestHost::pagesDir()
                            + QStringLiteral("/bridge.html"));
    QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
    QCOMPARE(host.evaluate(QStringLiteral("typeof count_calls()")).toString(),
             QStringLiteral("number"));
}

void tst_Engine::newWindowsStayInView()
{
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    const auto countViews = [] {
        int views = 0;
        for (QWidget *widget : QApplication::allWidgets())
            views += qobject_cast<QWebEngineView *>(widget) ? 1 : 0;
        return views;
    };
    const int views = countViews();
    host.newWindowRequests.clear();

    // A link with a new-window target.
    int loads = host.loads.size();
    host.evaluate(QStringLiteral("document.getElementById('blank').click()"));
    QTRY_COMPARE(host.newWindowRequests.size(), 1);
    QVERIFY(host.newWindowRequests.at(0).endsWith(QStringLiteral("other.html?from=link")));
    QTRY_VERIFY(host.loads.size() > loads);
    QVERIFY(host.loads.last().url.endsWith(QStringLiteral("other.html?from=link")));

    // A refused request loads nothing.
    host.refuseNewWindows = true;
    host.evaluate(QStringLiteral("window.open('bridge.html?refused')"));
    QTRY_COMPARE(host.newWindowRequests.size(), 2);
    host.refuseNewWindows = false;

    // A script opening a window.
    loads = host.loads.size();
    host.evaluate(QStringLiteral("window.open('bridge.html?from=script', 'other')"));
    QTRY_COMPARE(host.newWindowRequests.size(), 3);
    QTRY_VERIFY(host.loads.size() > loads);
    QVERIFY(host.loads.last().url.endsWith(QStringLiteral("bridge.html?from=script")));
    for (const LoadReport &load : host.loads)
        QVERIFY(!load.url.contains(QStringLiteral("refused")));
    QCOMPARE(countViews(), views);
    QCOMPARE(host.webView(host.view)->url().query(), QStringLiteral("from=script"));
}

void tst_Engine::scriptsRunInOrder()
{
    // Scripts pushed in one turn; in the first round one throws, in the second one does not
    // even parse. Either way the others run, in order.
    struct Round
    {
        int scripts;
        int throwing;
        int unparsable;
    };
    for (const QString &page : {QStringLiteral("bridge.html"), QStringLiteral("noeval.html")}) {
        const LoadReport load = host.loadAndWait(EngineTestHost::pageUrl(page));
        QCOMPARE(load.result, int(WKE_LOADING_SUCCEEDED));
        const bool evalBlocked = page == QStringLiteral("noeval.html");
        QCOMPARE(host.evaluate(QStringLiteral("String(window.evalBlocked)")).toString(),
                 evalBlocked ? QStringLiteral("true") : QStringLiteral("undefined"));

        for (const Round &round : {Round {1000, 500, -1}, Round {300, 100, 200}}) {
            host.evaluate(QStringLiteral("log = []; window.afterFirstTask = -1"));
            QJsonArray expected;
            api.runJSW(host.view,
                       L"Promise.resolve().then(function () { window.afterFirstTask = "
                       L"log.length; });");
            for (int i = 0; i < round.scripts; ++i) {
                std::wstring script = L"log.push(" + std::to_wstring(i) + L")";
                if (i == round.throwing)
                    script = L"throw new Error('thrown on purpose')";
                else if (i == round.unparsable)
                    script = L"log.push(" + std::to_wstring(i);
                else if (i % 10 == 1)
                    script += L" // a trailing comment";
                else if (i % 10 == 2)
                    script = L"let local" + std::to_wstring(i) + L" = " + std::to_wstring(i)
                        + L"; log.push(local" + std::to_wstring(i) + L")";
                if (i != round.throwing && i != round.unparsable)
                    expected.append(i);
                api.runJSW(host.view, script.c_str());
            }
            api.runJSW(host.view, L"document.title = 'pushed ' + log.length");
            QTRY_COMPARE(host.evaluate(QStringLiteral("document.title")).toString(),
                         QStringLiteral("pushed %1").arg(expected.size()));
            QCOMPARE(QJsonDocument::fromJson(
                         host.evaluate(QStringLiteral("JSON.stringify(log)")).toString().toUtf8())
                         .array(),
                     expected);
            // All of them ran in one task of the page: the promise reaction came after the last.
            if (!evalBlocked) {
                QCOMPARE(host.evaluate(QStringLiteral("window.afterFirstTask")).toInt(),
                         expected.size());
            }
        }
    }

    // The engine tells how many scripts the page has not run yet: none while it is idle, all
    // of them while a script of its own keeps it busy.
    QTRY_COMPARE(api.toInt(nullptr, api.runJSW(host.view, L"")), 0);
    api.runJSW(host.view, L"var until = Date.now() + 1500; while (Date.now() < until) {}");
    QTest::qWait(200);
    int waiting = 0;
    for (int i = 0; i < 3; ++i)
        waiting = api.toInt(nullptr, api.runJSW(host.view, L"window.afterBusy = true"));
    QCOMPARE(waiting, 4);
    QTRY_COMPARE(api.toInt(nullptr, api.runJSW(host.view, L"")), 0);
    QCOMPARE(host.evaluate(QStringLiteral("window.afterBusy")).toBool(), true);
}

void tst_Engine::windowGeometryAndTools()
{
    host.loadAndWait(EngineTestHost::pageUrl(QStringLiteral("bridge.html")));
    QWebEngineView *view = host.webView(host.view);
    QVERIFY(view);
    QCOMPARE(view->parentWidget(), host.frame);
    QCOMPARE(api.getHostHWND(host.view), static_cast<wkeHostWindow>(view->winId()));
    QCOMPARE(api.getWindowHandle(host.view), static_cast<wkeHostWindow>(view->winId()));

    api.resize(host.view, 500, 300);
    QCOMPARE(api.width(host.view), 500);
    QCOMPARE(api.height(host.view), 300);
    api.moveWindow(host.view, 20, 30, 400, 250);
    QCOMPARE(view->geometry(), QRect(20, 30, 400, 250));
    QCOMPARE(api.width(host.view), 400);
    QCOMPARE(api.height(host.view), 250);
    QTRY_COMPARE(host.evaluate(QStringLiteral("window.innerWidth")).toInt(), 400);

    // The native child window really shows the page (the page is blue).
    QVERIFY(QTest::qWaitForWindowExposed(host.frame));
    const QPoint centre = view->mapToGlobal(QPoint(200, 200));
    const auto pixel = [&] {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, centre.x(), centre.y(), 1, 1)
            .toImage()
            .pixelColor(0, 0);
    };
    QTRY_COMPARE(pixel(), QColor(0x33, 0x66, 0xcc));

    api.showWindow(host.view, false);
    QVERIFY(!view->isVisible());
    api.showWindow(host.view, true);
    QVERIFY(view->isVisible());

    // Mouse input reaches the page only while enabled.
    QTRY_VERIFY(view->focusProxy());
    QWidget *input = view->focusProxy();
    api.setMouseEnabled(host.view, false);
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(100, 100));
    api.setMouseEnabled(host.view, true);
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(120, 100));
    QTRY_COMPARE(host.evaluate(QStringLiteral("mouseDowns")).toInt(), 1);

    // Console messages come out on stderr, one line each.
    {
        StderrCapture capture;
        host.evaluate(QStringLiteral("console.log('first line\\nsecond line')"));
        QTRY_VERIFY(capture.text().contains("first line\\nsecond line"));
        const QByteArray line = capture.text().trimmed();
        capture.restore();
        QVERIFY2(line.startsWith("js: ") && line.contains(": first line\\nsecond line"),
                 line.constData());
    }

    // Developer tools open in a window of their own.
    static wkeWebView shownTools = nullptr;
    api.showDevtools(
        host.view, L"front_end/inspector.html",
        [](wkeWebView tools, void *) { shownTools = tools; }, nullptr);
    QVERIFY(shownTools);
    QVERIFY(shownTools != host.view);
    QWebEngineView *tools = host.webView(shownTools);
    QVERIFY(tools);
    QVERIFY(tools->isWindow());
    QVERIFY(tools->isVisible());
    QTRY_COMPARE(tools->url().scheme(), QStringLiteral("devtools"));
    QVERIFY(api.width(shownTools) > 0);

    // A view of the popup kind is a window of its own, owned by its parent.
    const wkeWebView popup = api.createWebWindow(
        WKE_WINDOW_TYPE_POPUP, static_cast<wkeHostWindow>(host.frame->winId()), 10, 10, 300, 200);
    QVERIFY(popup);
    QWebEngineView *popupView = host.webView(popup);
    QVERIFY(popupView && popupView->isWindow());
    QCOMPARE(popupView->parentWidget(), host.frame);
    QCOMPARE(api.width(popup), 300);
    api.destroyWebView(popup);
    QCOMPARE(api.width(popup), 0);

    api.addPluginDirectory(host.view, L"plugins");
    QVERIFY(view->page()->settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
}

int main(int argc, char **argv)
{
    // The browser's profile (storage, cache) of this run only, so runs side by side never share.
    const PrivateBrowserData browserData;
    // As the shell's main does, before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    tst_Engine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_engine.moc"
