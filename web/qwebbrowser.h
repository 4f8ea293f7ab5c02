#pragma once

#include "asyncresultqueue.h"
#include "bridgeprotocol.h"
#include "commandregistry.h"
#include "qdtareply.h"

#include <wke.h>

#include <QObject>
#include <QString>
#include <json/json.h>
#include <memory>
#include <string>
#include <vector>

class QWidget;

/// Hosts the engine's one web view inside a widget of the main window and carries the script
/// bridge: the page's win_ functions reach the window through its signals, its commands through
/// the registry, and pushes go back to the page's onMessage. Lives until the process ends.
///
/// When the engine cannot be bound the user has been told which part is missing and
/// isReady() is false: nothing is ever called on the engine, and the owner must end the
/// program instead of showing an empty window.
class QWebBrowser : public QObject
{
    Q_OBJECT
public:
    QWebBrowser(QWidget *host, QObject *parent);
    ~QWebBrowser() override;

    /// The live host, set first thing by its constructor.
    static QWebBrowser *instance();

    /// The engine is bound and the view exists.
    bool isReady() const;
    wkeWebView view() const;

    void loadUrl(const QString &url);
    /// Size first, then position, both in the host widget's coordinates.
    void setViewGeometry(int x, int y, int width, int height);
    void focusView();

    /// Window operations behind win_move, win_resize, win_width, win_height, win_x and win_y.
    void moveView(int x, int y);
    void resizeView(int width, int height);
    int viewWidth() const;
    int viewHeight() const;
    /// Screen coordinates of the view's top-left corner.
    int viewX() const;
    int viewY() const;

    /// Adds a host command to the registry; the name is matched in any letter case.
    static void registerCommand(const QString &name, const CommandHandler &handler, bool async);

    // The road of one win_message call: handleMessage reads the request (replyError when it
    // cannot), dispatchRequest runs it, replyFromReply answers through replyOk or replyError,
    // and toScriptText hands the reply text to the engine.

    /// win_message: runs the request text (null when the page passed no text) and returns the
    /// reply as a script string.
    jsValue handleMessage(jsExecState state, const char *text);
    /// Runs one request object and returns the reply as a script string.
    jsValue dispatchRequest(jsExecState state, const Json::Value &request);
    /// Calls the page's onMessage with the one-line JSON text of {"cmd", "param"}. GUI thread.
    void pushMessage(const QString &cmd, const Json::Value &param);
    /// Pushes an event the page did not ask for; nothing happens in a document without
    /// onMessage. GUI thread.
    void pushEvent(const QString &cmd, const Json::Value &param);

    static jsValue replyOk(jsExecState state, const Json::Value &data);
    static jsValue replyError(jsExecState state, const QString &msg);
    /// replyOk with the reply's data when its result is true, else replyError with its message.
    static jsValue replyFromReply(jsExecState state, const ReplyPtr &reply);
    static jsValue toScriptText(jsExecState state, const Json::Value &reply);

signals:
    void signal_close();
    void signal_maximized();
    void signal_minimized();
    /// Emitted on the pool thread when an asynchronous call's handler has returned. The host
    /// hands the result to the page by itself: whoever connects only observes.
    void signal_callback(const QString &method, const ReplyPtr &reply);
    void loading_finished();

public slots:
    /// Pushes one asynchronous result to the page with the results of this turn.
    void onCallback(const QString &method, const ReplyPtr &reply);

private:
    bool createView(QWidget *host);
    void schedulePageScript();
    void publishPageScript();
    BridgeProtocol::ResultSink resultSink();
    BridgeProtocol::Backlog pageBacklog();
    BridgeProtocol::TaskPoster taskPoster();
    void startTasks();
    /// The request the text holds; null, with the refusal, when it holds none.
    std::shared_ptr<const Json::Value> readRequest(const char *text, QString *refusal);
    void pushResults();
    /// Takes the results the pool finished since the last time, GUI thread.
    void takeFinished();
    /// Gives the page a script; the engine's count of scripts the page has not run yet.
    int runScript(const QString &script);
    /// Pushes given to the page, or waiting to be, that it has not run yet: each result of an
    /// asynchronous call counts on its own.
    int unrunPushes();

    wkeWebView m_view = nullptr;
    bool m_ready = false;
    bool m_pageScriptQueued = false;
    /// Tasks of asynchronous calls accepted in this event-loop turn.
    std::vector<BridgeProtocol::Task> m_tasks;
    bool m_tasksQueued = false;
    AsyncResultQueue m_results;
    /// The last request text read, and the request it holds.
    std::string m_lastRequestText;
    std::shared_ptr<const Json::Value> m_lastRequest;
    /// Scripts given to the engine so far.
    qint64 m_scriptsGiven = 0;
};
