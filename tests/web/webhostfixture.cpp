#include "webhostfixture.h"

#include "cglobal.h"
#include "commandregistry.h"
#include "enginebinding.h"
#include "qdtaproduct.h"
#include "qglobalsettings.h"
#include "qmainwidget.h"
#include "quser.h"
#include "qwebbrowser.h"
#include "testpaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

void WebHostFixture::prepareProcess()
{
    // Fresh account state each run: a profile remembered by an earlier run would sign in.
    static QTemporaryDir state;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(state.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(QStringLiteral("data"))));
    qRegisterMetaType<Json::Value>("QValue");
    qRegisterMetaType<ReplyPtr>("ReplyPtr");
    CGlobal::init();
    QUser::Instance()->setProduct(QDtaProduct(
        29, QStringLiteral("keystride_win"), QStringLiteral("Tapwise"), QStringLiteral("2.0.0.1")));
}

QString WebHostFixture::testPageUrl(const QString &query)
{
    QUrl url = QUrl::fromLocalFile(TestPaths::sourceDir()
                                   + QStringLiteral("/tests/web/pages/bridge.html"));
    if (!query.isEmpty())
        url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

void WebHostFixture::create()
{
    QWebBrowser::registerCommand(
        QStringLiteral("report"),
        [this](const Json::Value &param, const ReplyPtr &reply) {
            m_reports.append(param);
            reply->setResult(true);
        },
        false);
    m_window = new QMainWidget(nullptr);
}

QWebBrowser *WebHostFixture::browser() const
{
    return QWebBrowser::instance();
}

QWidget *WebHostFixture::viewWidget() const
{
    return QWidget::find(EngineBinding::table().wkeGetWindowHandle(browser()->view()));
}

Json::Value WebHostFixture::runStep(const QString &step, const Json::Value &args)
{
    const int id = ++m_nextStep;
    Json::Value param;
    param["step"] = step.toStdString();
    param["args"] = args;
    param["id"] = id;
    const int from = m_reports.size();
    browser()->pushMessage(QStringLiteral("run"), param);
    Json::Value found;
    (void)QTest::qWaitFor(
        [&] {
            for (int i = from; i < m_reports.size(); ++i) {
                if (m_reports[i]["kind"] == "step" && m_reports[i]["id"] == id) {
                    found = m_reports[i];
                    return true;
                }
            }
            return false;
        },
        30000);
    return found;
}

Json::Value WebHostFixture::waitForReport(const QString &kind, int from, int timeoutMs)
{
    Json::Value found;
    (void)QTest::qWaitFor(
        [&] {
            for (int i = from; i < m_reports.size(); ++i) {
                if (m_reports[i]["kind"].asString() == kind.toStdString()) {
                    found = m_reports[i];
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

Json::Value WebHostFixture::parse(const QString &text)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    const std::string utf8 = text.toStdString();
    Json::Value value;
    std::string errors;
    if (!reader->parse(utf8.data(), utf8.data() + utf8.size(), &value, &errors))
        return Json::Value();
    return value;
}

Json::Value
WebHostFixture::object(std::initializer_list<std::pair<const char *, Json::Value>> members)
{
    Json::Value value(Json::objectValue);
    for (const auto &member : members)
        value[member.first] = member.second;
    return value;
}
