// The web view host in a real main window and a real engine: the twelve bound functions, the
// request and push paths, window control from the page, view geometry and focus, loads.
#include "bridgeprotocol.h"
#include "commandregistry.h"
#include "qglobalsettings.h"
#include "qmainwidget.h"
#include "quser.h"
#include "qwebbrowser.h"
#include "webhostfixture.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <string>

namespace {

QString str(const Json::Value &value)
{
    return QString::fromStdString(value.asString());
}

QDialog *openLoginForm()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QKitLoginDialog") && widget->isVisible())
            return qobject_cast<QDialog *>(widget);
    }
    return nullptr;
}

// Serves one page of another origin and records what that page reports back by address.
class OtherOrigin : public QObject
{
public:
    explicit OtherOrigin(const QByteArray &page)
        : m_page(page)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QVector<QUrlQuery> reports;

private:
    void serve(QTcpSocket *socket)
    {
        const QByteArray request = socket->readAll();
        const QByteArray target = request.split(' ').value(1);
        QByteArray body = m_page;
        if (target.startsWith("/report?")) {
            reports.append(QUrlQuery(QString::fromUtf8(target.mid(8))));
            body = "ok";
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                      "Connection: close\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_page;
};

// Tries every bound function, then tells the server what came back.
const char kOtherOriginPage[] = R"(<!DOCTYPE html><html><body><script>
function attempt(name, args) {
    try {
        if (typeof window[name] !== 'function') return 'absent';
        var value = window[name].apply(null, args || []);
        return typeof value + ':' + String(value);
    } catch (error) { return 'threw'; }
}
var results = {
    message: attempt('win_message', [JSON.stringify({cmd: 'report', param: {kind: 'foreign'}})]),
    device: attempt('win_device_id'), source: attempt('win_source'),
    width: attempt('win_width'), x: attempt('win_x'),
    resize: attempt('win_resize', [11, 12]), move: attempt('win_move', [13, 14]),
    maximized: attempt('win_maximized'), minimized: attempt('win_minimized'),
    close: attempt('win_close')
};
var query = Object.keys(results).map(function (k) {
    return k + '=' + encodeURIComponent(results[k]);
}).join('&');
var request = new XMLHttpRequest();
request.open('GET', '/report?where=' + (window.top === window ? 'top' : 'frame') + '&' + query);
request.send();
</script></body></html>)";

} // namespace

class TestWebHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void twelveFunctionsBoundOnLoad();
    void sourceAndDeviceId();
    void viewSizeAndPositionQueries();
    void viewFollowsEveryMoveAndResize();
    void focusFiftyMillisecondsAfterShow();
    void messageSynchronousAnyCase();
    void messageAsynchronousPushCarriesNameAsSent();
    void messageErrorTexts();
    void pushesArriveByteIdentical();
    void asynchronousBurstLosesNothing();
    void showLoginFormAnswersBeforeTheFormOpens();
    void windowControlFromPage();
    void newWindowRequestsStayInTheView();
    void failedLoadStillFinishes();
    void otherOriginGetsNothing();

private:
    void reloadTestPage();
    Json::Value call(const char *function, const Json::Value &args = Json::Value(Json::arrayValue));
    Json::Value message(const Json::Value &request);

    WebHostFixture m_host;
};

void TestWebHost::initTestCase()
{
    WebHostFixture::prepareProcess();
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"),
                              WebHostFixture::testPageUrl());
    m_host.create();
    QVERIFY(m_host.browser());
    QVERIFY(m_host.browser()->isReady());
    QVERIFY(m_host.window()->isVisible());
    QVERIFY(!m_host.waitForReport(QStringLiteral("loaded")).isNull());
}

void TestWebHost::reloadTestPage()
{
    const int from = m_host.reportCount();
    m_host.browser()->loadUrl(WebHostFixture::testPageUrl());
    QVERIFY(!m_host.waitForReport(QStringLiteral("loaded"), from).isNull());
}

Json::Value TestWebHost::call(const char *function, const Json::Value &args)
{
    Json::Value step;
    step["fn"] = function;
    step["args"] = args;
    return m_host.runStep(QStringLiteral("call"), step);
}

Json::Value TestWebHost::message(const Json::Value &request)
{
    Json::Value step;
    Json::StreamWriterBuilder oneLine;
    oneLine["indentation"] = "";
    step["text"] = Json::writeString(oneLine, request);
    const Json::Value reported = m_host.runStep(QStringLiteral("message"), step);
    return WebHostFixture::parse(str(reported["value"]));
}

void TestWebHost::twelveFunctionsBoundOnLoad()
{
    const Json::Value loaded = m_host.reports().first();
    QCOMPARE(str(loaded["href"]), WebHostFixture::testPageUrl());
    const char *names[] = {"win_close",  "win_maximized", "win_minimized", "win_message",
                           "win_source", "win_device_id", "win_resize",    "win_move",
                           "win_width",  "win_height",    "win_x",         "win_y"};
    for (const char *name : names)
        QCOMPARE(str(loaded["types"][name]), QStringLiteral("function"));
}

void TestWebHost::sourceAndDeviceId()
{
    const Json::Value source = call("win_source");
    QCOMPARE(str(source["type"]), QStringLiteral("string"));
    QCOMPARE(str(source["value"]), QUser::Instance()->getSource());
    const Json::Value device = call("win_device_id");
    QCOMPARE(str(device["type"]), QStringLiteral("string"));
    QCOMPARE(str(device["value"]), QUser::Instance()->getDeviceCode());
    QVERIFY(!QUser::Instance()->getDeviceCode().isEmpty());
}

void TestWebHost::viewSizeAndPositionQueries()
{
    QWidget *view = m_host.viewWidget();
    QVERIFY(view);
    QMainWidget *window = m_host.window();
    QTRY_COMPARE(view->size(), window->size());

    Json::Value width = call("win_width");
    QCOMPARE(str(width["type"]), QStringLiteral("number"));
    QCOMPARE(width["value"].asInt(), view->width());
    QCOMPARE(call("win_height")["value"].asInt(), view->height());
    QCOMPARE(call("win_x")["value"].asInt(), view->mapToGlobal(QPoint(0, 0)).x());
    QCOMPARE(call("win_y")["value"].asInt(), view->mapToGlobal(QPoint(0, 0)).y());

    // win_move takes coordinates in the browser frame; win_x and win_y answer on screen.
    Json::Value moveArgs(Json::arrayValue);
    moveArgs.append(10);
    moveArgs.append(20);
    QCOMPARE(str(call("win_move", moveArgs)["type"]), QStringLiteral("undefined"));
    QTRY_COMPARE(view->pos(), QPoint(10, 20));
    const QPoint frameOrigin = view->parentWidget()->mapToGlobal(QPoint(0, 0));
    QCOMPARE(call("win_x")["value"].asInt(), frameOrigin.x() + 10);
    QCOMPARE(call("win_y")["value"].asInt(), frameOrigin.y() + 20);

    Json::Value resizeArgs(Json::arrayValue);
    resizeArgs.append(320);
    resizeArgs.append(240);
    QCOMPARE(str(call("win_resize", resizeArgs)["type"]), QStringLiteral("undefined"));
    QTRY_COMPARE(view->size(), QSize(320, 240));
    QCOMPARE(view->pos(), QPoint(10, 20));
    QTRY_COMPARE(call("win_width")["value"].asInt(), 320);
    QTRY_COMPARE(call("win_height")["value"].asInt(), 240);

    window->resize(window->size() + QSize(1, 1));
    QTRY_COMPARE(view->geometry(), QRect(QPoint(0, 0), window->size()));
}

void TestWebHost::viewFollowsEveryMoveAndResize()
{
    QMainWidget *window = m_host.window();
    QWidget *view = m_host.viewWidget();
    QVERIFY(view);
    const QSize sizes[] = {QSize(900, 600), QSize(1100, 700), QSize(640, 480)};
    for (const QSize &size : sizes) {
        Json::Value shrink(Json::arrayValue);
        shrink.append(100);
        shrink.append(100);
        call("win_resize", shrink);
        QTRY_COMPARE(view->size(), QSize(100, 100));
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        QTRY_COMPARE(view->geometry(), QRect(QPoint(0, 0), size));
        QTRY_COMPARE(call("win_width")["value"].asInt(), size.width());
        QTRY_COMPARE(call("win_height")["value"].asInt(), size.height());
    }
    const QPoint offsets[] = {QPoint(40, 30), QPoint(-20, 15)};
    for (const QPoint &offset : offsets) {
        Json::Value move(Json::arrayValue);
        move.append(7);
        move.append(9);
        call("win_move", move);
        QTRY_COMPARE(view->pos(), QPoint(7, 9));
        const QPoint target = window->pos() + offset;
        window->move(target);
        QTRY_COMPARE(window->pos(), target);
        QTRY_COMPARE(view->geometry(), QRect(QPoint(0, 0), window->size()));
    }
}

void TestWebHost::focusFiftyMillisecondsAfterShow()
{
    QMainWidget *window = m_host.window();
    QWidget *view = m_host.viewWidget();
    QVERIFY(view);
    const auto viewHasFocus = [&] {
        QWidget *focus = window->focusWidget();
        return focus && (focus == view || view->isAncestorOf(focus));
    };
    // Another focusable widget holds the focus before each show; only the delayed focusView()
    // moves it into the view.
    QLineEdit decoy(window);
    decoy.setGeometry(0, 0, 10, 10);
    decoy.show();
    for (int round = 0; round < 2; ++round) {
        window->hide();
        decoy.setFocus();
        QCOMPARE(window->focusWidget(), &decoy);
        window->show();
        QTRY_VERIFY(viewHasFocus());
    }
}

void TestWebHost::messageSynchronousAnyCase()
{
    for (const char *name : {"queryLogin", "QUERYLOGIN", "querylogin"}) {
        Json::Value request;
        request["cmd"] = name;
        request["param"]["ignored"] = true;
        const Json::Value reply = message(request);
        QVERIFY(reply["result"].isBool());
        QCOMPARE(reply["result"].asBool(), true);
        QCOMPARE(reply["data"]["login"].asBool(), QUser::Instance()->isLogin());
        QVERIFY(reply["data"]["login"].isBool());
        QCOMPARE(str(reply["msg"]), QString());
    }
    // A text sent again, as read once, still goes to the handler registered at that moment.
    Json::Value request;
    request["cmd"] = "tally";
    for (int round = 0; round < 2; ++round) {
        QWebBrowser::registerCommand(
            QStringLiteral("tally"),
            [round](const Json::Value &, const ReplyPtr &reply) {
                reply->setResult(true);
                reply->setData(round);
            },
            false);
        for (int call = 0; call < 2; ++call)
            QCOMPARE(message(request)["data"].asInt(), round);
    }
}

void TestWebHost::messageAsynchronousPushCarriesNameAsSent()
{
    for (const char *name : {"QUERYLOGIN", "queryLogin"}) {
        const int from = m_host.reportCount();
        Json::Value request;
        request["cmd"] = name;
        request["async"] = true;
        const Json::Value reply = message(request);
        QCOMPARE(reply["result"].asBool(), true);
        QVERIFY(reply.isMember("data"));
        QVERIFY(reply["data"].isNull());

        const Json::Value push = m_host.waitForReport(QStringLiteral("push"), from);
        QVERIFY(!push.isNull());
        Json::Value param;
        param["result"] = true;
        param["msg"] = "";
        param["data"]["login"] = QUser::Instance()->isLogin();
        QCOMPARE(str(push["text"]), BridgeProtocol::pushText(QString::fromLatin1(name), param));
    }
}

void TestWebHost::messageErrorTexts()
{
    Json::Value step;
    step["noArgument"] = true;
    Json::Value reported = m_host.runStep(QStringLiteral("message"), step);
    QCOMPARE(str(reported["type"]), QStringLiteral("string"));
    Json::Value reply = WebHostFixture::parse(str(reported["value"]));
    QCOMPARE(reply["result"].asBool(), false);
    QCOMPARE(str(reply["msg"]), QStringLiteral("传入的参数为空"));
    QVERIFY(!reply.isMember("data"));

    // A handler that leaves its result false fails with its message; its data never arrives.
    QWebBrowser::registerCommand(
        QStringLiteral("half"),
        [](const Json::Value &, const ReplyPtr &reply) { reply->setData("dropped"); }, false);
    QWebBrowser::registerCommand(
        QStringLiteral("refuse"),
        [](const Json::Value &, const ReplyPtr &reply) {
            reply->setMsg(QStringLiteral("不行 'quoted' \\ back"));
            reply->setData(3);
        },
        false);
    const struct
    {
        std::string text;
        QString msg;
    } rows[] = {
        {"", QStringLiteral("json 格式错误！")},
        {"{\"cmd\": ", QStringLiteral("json 格式错误！")},
        // Past the reader's nesting limit: once the end of the whole program.
        {std::string(1000, '['), QStringLiteral("json 格式错误！")},
        {"{\"cmd\": \"queryLogin\", \"param\": " + std::string(5000, '{'),
         QStringLiteral("json 格式错误！")},
        {"{\"cmd\": \"NoSuchThing\"}", QStringLiteral("方法 NoSuchThing 不存在！")},
        {"{\"param\": 1}", QStringLiteral("方法  不存在！")},
        {"{\"cmd\": \"ShowLoginForm\", \"async\": true}",
         QStringLiteral("该方法 ShowLoginForm 不支持异步调用！")},
        {"{\"cmd\": \"half\"}", QString()},
        {"{\"cmd\": \"Refuse\"}", QStringLiteral("不行 'quoted' \\ back")},
    };
    Json::Value texts(Json::arrayValue);
    for (const auto &row : rows)
        texts.append(row.text);
    Json::Value batch;
    batch["texts"] = texts;
    reported = m_host.runStep(QStringLiteral("messages"), batch);
    QCOMPARE(reported["replies"].size(), Json::ArrayIndex(std::size(rows)));
    for (Json::ArrayIndex i = 0; i < std::size(rows); ++i) {
        reply = WebHostFixture::parse(str(reported["replies"][i]));
        QVERIFY2(reply["result"].isBool(), rows[i].text.c_str());
        QCOMPARE(reply["result"].asBool(), false);
        QCOMPARE(str(reply["msg"]), rows[i].msg);
        QVERIFY(!reply.isMember("data"));
    }
    QVERIFY(!openLoginForm());
}

void TestWebHost::pushesArriveByteIdentical()
{
    const QString hostile[] = {
        QStringLiteral("'); report({kind: 'injected'}); ('"),
        QStringLiteral("\\'); report({kind: 'injected'}); //"),
        QStringLiteral("</script><script>report({kind: 'injected'})</script>"),
        QStringLiteral("line\nbreak\r\n\ttab") + QChar(0x2028) + QChar(0x2029),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("after"),
        QStringLiteral("方法 查询 不存在！😀 back\\slash"),
    };
    for (const QString &value : hostile) {
        const int from = m_host.reportCount();
        Json::Value param;
        param["msg"] = value.toStdString();
        param["n"] = 1.5;
        m_host.browser()->pushMessage(QStringLiteral("echo'\\"), param);
        const Json::Value push = m_host.waitForReport(QStringLiteral("push"), from);
        QVERIFY(!push.isNull());
        QCOMPARE(str(push["text"]), BridgeProtocol::pushText(QStringLiteral("echo'\\"), param));
        const Json::Value back = WebHostFixture::parse(str(push["text"]));
        QCOMPARE(str(back["param"]["msg"]), value);
    }
    for (const Json::Value &report : m_host.reports())
        QVERIFY(report["kind"] != "injected");
}

void TestWebHost::asynchronousBurstLosesNothing()
{
    QWebBrowser::registerCommand(
        QStringLiteral("echo"),
        [](const Json::Value &param, const ReplyPtr &reply) {
            reply->setResult(true);
            reply->setData(param);
        },
        true);
    // The page answers for the commands it knew of when its document was created.
    QCoreApplication::processEvents();
    reloadTestPage();
    const std::string accepted = BridgeProtocol::acceptedText();
    const std::string refused = BridgeProtocol::replyText(
        BridgeProtocol::errorReply(QStringLiteral("异步调用 echo 过多，请稍后再试！")));
    // Fewer than the bound go in one message once the task is over, or ahead of the next call
    // that waits; more meet the bound as before. A text repeated in a row, and its result,
    // arrive as often as sent.
    const struct
    {
        int first;
        int count;
        int accepted;
        bool later;
        int repeat;
    } rounds[] = {{0, 300, 300, true, 1},
                  {300, 500, 500, false, 1},
                  {800, 1500, 1000, false, 1},
                  {2000, 600, 600, true, 3},
                  {3000, 1200, 1000, false, 4}};
    for (const auto &round : rounds) {
        Json::Value burst;
        burst["cmd"] = "echo";
        burst["first"] = round.first;
        burst["count"] = round.count;
        burst["later"] = round.later;
        burst["repeat"] = round.repeat;
        Json::Value replies = m_host.runStep(QStringLiteral("burst"), burst)["replies"];
        if (round.later) {
            QTRY_VERIFY(!m_host.runStep(QStringLiteral("tally"))["replies"].empty());
            replies = m_host.runStep(QStringLiteral("tally"))["replies"];
        }
        QCOMPARE(replies[accepted].asInt(), round.accepted);
        QCOMPARE(replies.size(), round.accepted == round.count ? 1u : 2u);
        if (round.accepted < round.count)
            QCOMPARE(replies[refused].asInt(), round.count - round.accepted);

        QStringList texts;
        QElapsedTimer clock;
        clock.start();
        while (texts.size() < round.accepted && clock.elapsed() < 30000) {
            const Json::Value collected = m_host.runStep(QStringLiteral("collected"));
            for (const Json::Value &text : collected["texts"])
                texts.append(str(text));
        }
        QCOMPARE(texts.size(), round.accepted);
        QMap<int, int> seen;
        for (const QString &text : texts) {
            const int i = WebHostFixture::parse(text)["param"]["data"].asInt();
            QVERIFY2(++seen[i] <= round.repeat, qPrintable(text));
            Json::Value param;
            param["result"] = true;
            param["msg"] = "";
            param["data"] = i;
            QCOMPARE(text, BridgeProtocol::pushText(QStringLiteral("echo"), param));
        }
        QCOMPARE(seen.firstKey(), round.first);
        QCOMPARE(seen.lastKey(), round.first + (round.accepted - 1) / round.repeat);
    }
}

void TestWebHost::showLoginFormAnswersBeforeTheFormOpens()
{
    QVERIFY(!QUser::Instance()->isLogin());
    // Wraps the registered handler to see the state the moment it returns, before the reply
    // goes back to the page.
    const CommandEntry *entry = CommandRegistry::find(QStringLiteral("showLoginForm"));
    QVERIFY(entry && !entry->async);
    const CommandHandler original = entry->handler;
    bool returned = false;
    bool formOpenAtReturn = true;
    bool resultAtReturn = false;
    QWebBrowser::registerCommand(
        QStringLiteral("showLoginForm"),
        [&](const Json::Value &param, const ReplyPtr &reply) {
            original(param, reply);
            returned = true;
            formOpenAtReturn = openLoginForm() != nullptr;
            resultAtReturn = reply->result();
        },
        false);

    // The form runs its own event loop; sign in from inside it once it shows.
    bool seen = false;
    bool signedInWhenShown = true;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        QDialog *form = openLoginForm();
        if (!form || seen)
            return;
        seen = true;
        signedInWhenShown = QUser::Instance()->isLogin();
        const QList<QLineEdit *> fields = form->findChildren<QLineEdit *>();
        if (!fields.isEmpty())
            fields.first()->setText(QStringLiteral("Tester"));
        QMetaObject::invokeMethod(form, "submit", Qt::QueuedConnection);
    });
    poll.start();

    Json::Value request;
    request["cmd"] = "showloginform";
    const Json::Value reply = message(request);
    QCOMPARE(reply["result"].asBool(), true);
    QVERIFY(reply.isMember("data"));
    QVERIFY(reply["data"].isNull());
    QVERIFY(returned);
    QVERIFY(resultAtReturn);
    QVERIFY(!formOpenAtReturn);

    QTRY_VERIFY(seen);
    QVERIFY(!signedInWhenShown);
    QTRY_VERIFY(QUser::Instance()->isLogin());
    QTRY_VERIFY(!openLoginForm());
    poll.stop();
    QWebBrowser::registerCommand(QStringLiteral("showLoginForm"), original, false);

    request["cmd"] = "queryLogin";
    QCOMPARE(message(request)["data"]["login"].asBool(), true);
    QUser::Instance()->setLogout();
    QCOMPARE(message(request)["data"]["login"].asBool(), false);
}

void TestWebHost::windowControlFromPage()
{
    QMainWidget *window = m_host.window();
    QVERIFY(!window->isMaximized());
    QCOMPARE(str(call("win_maximized")["type"]), QStringLiteral("undefined"));
    QTRY_VERIFY(window->isMaximized());
    call("win_maximized");
    QTRY_VERIFY(!window->isMaximized());

    call("win_minimized");
    QTRY_VERIFY(window->isMinimized());
    window->showNormal();
    QTRY_VERIFY(!window->isMinimized());

    QSignalSpy closed(m_host.browser(), &QWebBrowser::signal_close);
    call("win_close");
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(!window->isVisible());

    window->show();
    QTRY_VERIFY(window->isVisible());
}

void TestWebHost::newWindowRequestsStayInTheView()
{
    const QWidgetList before = QApplication::topLevelWidgets();
    int from = m_host.reportCount();
    Json::Value args;
    args["url"] = WebHostFixture::testPageUrl(QStringLiteral("opened=script")).toStdString();
    m_host.runStep(QStringLiteral("openWindow"), args);
    Json::Value loaded = m_host.waitForReport(QStringLiteral("loaded"), from);
    QVERIFY(!loaded.isNull());
    QVERIFY(str(loaded["href"]).endsWith(QStringLiteral("?opened=script")));

    from = m_host.reportCount();
    args["url"] = WebHostFixture::testPageUrl(QStringLiteral("opened=link")).toStdString();
    m_host.runStep(QStringLiteral("clickNewWindowLink"), args);
    loaded = m_host.waitForReport(QStringLiteral("loaded"), from);
    QVERIFY(!loaded.isNull());
    QVERIFY(str(loaded["href"]).endsWith(QStringLiteral("?opened=link")));

    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(before.contains(widget) || !widget->isVisible(),
                 widget->metaObject()->className());
    reloadTestPage();
}

void TestWebHost::failedLoadStillFinishes()
{
    QSignalSpy finished(m_host.browser(), &QWebBrowser::loading_finished);
    m_host.browser()->loadUrl(QStringLiteral("file:///no/such/folder/missing.html"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    m_host.browser()->loadUrl(QStringLiteral("http://127.0.0.1:1/refused.html"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    QVERIFY(m_host.window()->isVisible());
    reloadTestPage();
}

void TestWebHost::otherOriginGetsNothing()
{
    OtherOrigin origin(kOtherOriginPage);
    QMainWidget *window = m_host.window();
    QWidget *view = m_host.viewWidget();
    QTRY_COMPARE(view->geometry(), QRect(QPoint(0, 0), window->size()));
    const QRect viewGeometry = view->geometry();
    QSignalSpy closed(m_host.browser(), &QWebBrowser::signal_close);
    QSignalSpy maximized(m_host.browser(), &QWebBrowser::signal_maximized);
    QSignalSpy minimized(m_host.browser(), &QWebBrowser::signal_minimized);

    // A frame of another origin inside the page, then the whole view navigated there.
    Json::Value args;
    args["url"] = origin.url(QStringLiteral("/frame")).toStdString();
    m_host.runStep(QStringLiteral("addFrame"), args);
    QTRY_COMPARE_WITH_TIMEOUT(origin.reports.size(), 1, 30000);
    m_host.runStep(QStringLiteral("navigate"), [&] {
        Json::Value navigate;
        navigate["url"] = origin.url(QStringLiteral("/top")).toStdString();
        return navigate;
    }());
    QTRY_COMPARE_WITH_TIMEOUT(origin.reports.size(), 2, 30000);

    const QString device = QUser::Instance()->getDeviceCode();
    QStringList wheres;
    for (const QUrlQuery &report : origin.reports) {
        wheres << report.queryItemValue(QStringLiteral("where"));
        for (const char *key : {"message", "device", "source", "width", "x"}) {
            const QString value = report.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
            QVERIFY2(value == QLatin1String("absent") || value == QLatin1String("threw")
                         || value == QLatin1String("undefined:undefined"),
                     qPrintable(QStringLiteral("%1=%2").arg(QLatin1String(key), value)));
            QVERIFY(!value.contains(device));
        }
    }
    wheres.sort();
    QCOMPARE(wheres, QStringList({QStringLiteral("frame"), QStringLiteral("top")}));
    for (const Json::Value &report : m_host.reports())
        QVERIFY(report["kind"] != "foreign");
    QCOMPARE(closed.count(), 0);
    QCOMPARE(maximized.count(), 0);
    QCOMPARE(minimized.count(), 0);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMaximized());
    QCOMPARE(view->geometry(), viewGeometry);
    reloadTestPage();
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    TestWebHost test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webhost.moc"
