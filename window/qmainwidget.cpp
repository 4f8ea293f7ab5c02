#include "qmainwidget.h"

#include "appidentity.h"
#include "framelessgeometry.h"
#include "hostcommands.h"
#include "platform.h"
#include "qglobalsettings.h"
#include "qlazyiconengine.h"
#include "quserbutton.h"
#include "qwebbrowser.h"
#include "stylesheet.h"
#include "tpushbutton.h"
#include "writelog.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kPreLoginDelayMs = 100;
constexpr int kTitleRepaintDelayMs = 100;
constexpr int kFocusDelayMs = 50;
// Work the page does not need (window icon, update check) waits for its first load and then a
// little longer; a page that never reports a load still gets it after the fallback.
constexpr int kAfterLoadDelayMs = 50;
constexpr int kAfterLoadFallbackMs = 3000;
// Exit code of a run that could not start the web engine.
constexpr int kEngineMissingExitCode = 1;

constexpr int kButtonTextPixelSize = 16;
constexpr char kButtonTextColor[] = "#313131";
constexpr char kButtonHoverColor[] = "#347AEB";
constexpr int kButtonIconSize = 14;

} // namespace

QMainWidget::QMainWidget(QWidget *parent)
    : QWidget(parent)
    , m_userHelp(this, nullptr)
{
    ui.setupUi(this);
    initialize();
}

void QMainWidget::initialize()
{
    QTimer::singleShot(kPreLoginDelayMs, this, [this] { m_userHelp.preLogin(); });
    QTimer::singleShot(kAfterLoadFallbackMs, this, &QMainWidget::startAfterLoadWork);

    ui.labelVersion->setText(tr("版本号：v%1").arg(appVersion()));
    const QString title = appTitle();
    setWindowTitle(title);
    ui.labelTitle->setText(title);
    // Flags first: changed after the style sheet, they make the toolkit polish every child again.
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setStyleSheet(loadStyleSheet(QStringLiteral(":/qss/main.css")));

    m_browser = new QWebBrowser(ui.frameBrowser, nullptr);
    if (!m_browser->isReady()) {
        // The user has been told what is missing; without an engine there is nothing to show.
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [] { QCoreApplication::exit(kEngineMissingExitCode); });
    }

    ui.frameBottom->setVisible(false);
    ui.frameTitle->setVisible(false);
    createAccountButtons();
    connectSignals();
    installFilters();

    HostCommands::registerCommands(&m_userHelp);
    if (!m_browser->isReady())
        return;
    m_browser->loadUrl(pageAddress());
    show();
}

QIcon QMainWidget::windowIconRenditions()
{
    // The logo of logo.about.png in the sizes a window system shows. An icon made from the
    // 1024 x 1024 picture itself decodes it at construction and sends four megabytes to the
    // window system at each start.
    QList<QLazyIconEngine::Rendition> renditions;
    for (const int size : {16, 32, 48, 64, 128, 256})
        renditions.append({QSize(size, size), QStringLiteral(":/image/logo.%1.png").arg(size)});
    return QIcon(new QLazyIconEngine(renditions));
}

void QMainWidget::startAfterLoadWork()
{
    if (m_afterLoadStarted)
        return;
    m_afterLoadStarted = true;
    // Decoding the logo and sending it to the window system took the main thread for longer
    // than anything else the window adds; the page's first frames are drawn on the same thread,
    // so the task bar gets the icon a moment after them instead.
    QTimer::singleShot(kAfterLoadDelayMs, this, [this] {
        setWindowIcon(windowIconRenditions());
        m_userHelp.checkUpdate(false);
        // Starting the engine and loading the page leave freed blocks in the heaps, whose pages
        // the allocator would otherwise keep for the rest of the run.
        Platform::releaseFreeMemory();
    });
}

QString QMainWidget::pageProblem(const QString &address)
{
    const QString text = address.trimmed();
    // The engine takes an absolute local path as well as an address.
    const QUrl url = text.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(text)
                                                       : QUrl(text, QUrl::TolerantMode);
    if (!url.isValid() || url.isRelative())
        return QStringLiteral("not an address");
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return QString();
    if (scheme != QLatin1String("file"))
        return QStringLiteral("\"%1:\" addresses are not pages").arg(scheme);
    const QFileInfo file(url.toLocalFile());
    if (!file.exists())
        return QStringLiteral("no such file");
    if (file.isDir())
        return QStringLiteral("a folder, not a page");
    if (!file.isReadable())
        return QStringLiteral("the file cannot be read");
    return QString();
}

QString QMainWidget::pageAddress()
{
    const QString configured = QGlobalSettings::getString(
        QLatin1String(SettingsKey::kDefault), QLatin1String(SettingsKey::kPath), QString());
    if (!configured.isEmpty()) {
        const QString problem = pageProblem(configured);
        if (problem.isEmpty())
            return configured;
        const QString message =
            QStringLiteral("Cannot load the configured page \"%1\" (%2); loading the default page")
                .arg(configured, problem);
        qWarning("%s", qPrintable(message));
        writeLog(1, __FILE__, __LINE__, message.toStdWString());
    }
    // A POSIX path already starts with the slash that "file:///" supplies.
    QString directory = QDir::currentPath();
    if (directory.startsWith(QLatin1Char('/')))
        directory.remove(0, 1);
    return QStringLiteral("file:///%1/dist/index.html").arg(directory);
}

void QMainWidget::createAccountButtons()
{
    userButton = new QUserButton(ui.frameTitle);
    userButton->hide();
    ui.hLayoutTitle->addWidget(userButton);

    struct AccountButton
    {
        TPushButton **member;
        const char *objectName;
        const char *icon;
        QString text;
    };
    const AccountButton rows[] = {
        {&btnLogin, "BtnLogin", ":/image/btn.user.png", tr("登录")},
        {&btnCustomer, "BtnCustomer", ":/image/btn.customer.png", tr("客服")},
        {&btnMenu, "BtnMenu", ":/image/btn.menu.png", tr("菜单")},
    };
    for (const AccountButton &row : rows) {
        auto *button = new TPushButton(ui.frameTitle);
        button->setObjectName(QLatin1String(row.objectName));
        button->setStyleSheet(titleBarButtonStyle(QLatin1String(row.icon)));
        button->setIconSize(kButtonIconSize, kButtonIconSize);
        button->setText(row.text);
        ui.hLayoutTitle->addWidget(button);
        *row.member = button;
    }
}

QString QMainWidget::titleBarButtonStyle(const QString &icon)
{
    return loadStyleSheet(QStringLiteral(":/qss/TPushButton.css"))
        .arg(kButtonTextPixelSize)
        .arg(QLatin1String(kButtonTextColor))
        .arg(QLatin1String(kButtonHoverColor))
        .arg(QLatin1String(kButtonTextColor))
        .arg(icon)
        .arg(icon)
        .arg(icon);
}

void QMainWidget::connectSignals()
{
    connect(ui.btnMin, &QAbstractButton::clicked, this, &QMainWidget::onBtnMin);
    connect(ui.btnMax, &QAbstractButton::clicked, this, &QMainWidget::onBtnMax);
    connect(ui.btnClose, &QAbstractButton::clicked, this, &QMainWidget::onBtnClose);
    connect(btnMenu, &TButton::clicked, this, &QMainWidget::onBtnMenu);
    connect(btnLogin, &TButton::clicked, this, &QMainWidget::onBtnLogin);
    connect(userButton, &TButton::clicked, this, &QMainWidget::onBtnUser);
    connect(btnCustomer, &TButton::clicked, this, &QMainWidget::onBtnCustomer);
    connect(&m_userHelp, &QUserHelp::signal_avatar, this, &QMainWidget::onUserAvatar);
    connect(&m_userHelp, &QUserHelp::signal_login, this, &QMainWidget::onUserLogin);
    connect(&m_userHelp, &QUserHelp::signal_logout, this, &QMainWidget::onUserLogout);

    connect(m_browser, &QWebBrowser::loading_finished, this, &QMainWidget::onLoadingFinished);
    connect(m_browser, &QWebBrowser::signal_minimized, this, &QMainWidget::onBtnMin);
    connect(m_browser, &QWebBrowser::signal_maximized, this, &QMainWidget::onBtnMax);
    connect(m_browser, &QWebBrowser::signal_close, this, &QMainWidget::onBtnClose);
}

void QMainWidget::installFilters()
{
    installEventFilter(this);
    setMouseTracking(true);
    ui.frameTitle->installEventFilter(this);
    ui.frameTitle->setMouseTracking(true);
    // The whole application: edges and the move area are seen whichever widget is under the
    // cursor.
    QCoreApplication::instance()->installEventFilter(this);
}

void QMainWidget::onBtnMin()
{
    showMinimized();
}

void QMainWidget::onBtnMax()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void QMainWidget::onBtnClose()
{
    close();
}

QPoint QMainWidget::anchorBelow(QWidget *button) const
{
    const QPoint global = ui.frameTitle->mapToGlobal(QPoint(button->pos().x(), 0));
    return QPoint(global.x(), global.y() + ui.frameTitle->height());
}

void QMainWidget::onBtnMenu()
{
    // Built at its first opening: most runs never open it.
    if (!m_menu)
        m_menu = m_userHelp.initMenu();
    if (!m_menu)
        return;
    const QPoint anchor = anchorBelow(btnMenu);
    const int offset = (m_menu->sizeHint().width() - btnMenu->width()) / 2;
    m_menu->exec(QPoint(anchor.x() - offset, anchor.y()));
}

void QMainWidget::onBtnLogin()
{
    m_userHelp.login();
    setCursor(Qt::ArrowCursor);
}

void QMainWidget::onBtnUser()
{
    const QPoint anchor = anchorBelow(userButton);
    m_userHelp.showUserWidget(QPoint(anchor.x() + userButton->width() / 2, anchor.y()));
}

void QMainWidget::onBtnCustomer()
{
    const QPoint anchor = anchorBelow(btnCustomer);
    m_userHelp.showCustomerWidget(QPoint(anchor.x() + btnCustomer->width() / 2, anchor.y()));
}

void QMainWidget::onUserAvatar(const QPixmap &picture)
{
    userButton->setAvatar(picture);
    repaintTitleLater();
}

void QMainWidget::onUserLogin(const QString &name)
{
    userButton->setName(name);
    userButton->show();
    btnLogin->hide();
    repaintTitleLater();
    // The page keys its progress by profile: it must hear of every change at once, a switch
    // from one profile to another included, not only when the window regains focus.
    pushLoginEvent(true);
}

void QMainWidget::onUserLogout()
{
    btnLogin->show();
    userButton->hide();
    repaintTitleLater();
    pushLoginEvent(false);
}

void QMainWidget::pushLoginEvent(bool login)
{
    if (m_browser)
        m_browser->pushEvent(HostCommands::loginEventCommand(),
                             HostCommands::loginEventParam(login));
}

void QMainWidget::repaintTitleLater()
{
    QTimer::singleShot(kTitleRepaintDelayMs, ui.frameTitle, [this] { ui.frameTitle->update(); });
}

void QMainWidget::onLoadingFinished()
{
    disconnect(m_browser, &QWebBrowser::loading_finished, this, &QMainWidget::onLoadingFinished);
    show();
    startAfterLoadWork();
}

void QMainWidget::moveEvent(QMoveEvent *)
{
    if (m_browser)
        m_browser->setViewGeometry(0, 0, width(), height());
}

void QMainWidget::resizeEvent(QResizeEvent *)
{
    if (m_browser)
        m_browser->setViewGeometry(0, 0, width(), height());
}

void QMainWidget::showEvent(QShowEvent *)
{
    QTimer::singleShot(kFocusDelayMs, this, [this] {
        if (m_browser)
            m_browser->focusView();
    });
}

bool QMainWidget::eventFilter(QObject *watched, QEvent *event)
{
    // The toolkit's window objects see every mouse event before the widget under the cursor
    // does, and see the second press of a double click as a plain press: only the widgets'
    // copies count, so that holding the button after a double click does not drag.
    if (!watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_pressPosition = QCursor::pos();
            m_dragging = true;
        }
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    case QEvent::MouseMove:
        updateResizeRegion();
        dragOrResize();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool QMainWidget::updateResizeRegion()
{
    if (m_dragging)
        return true;
    m_resizeRegion = FramelessGeometry::regionAt(geometry(), QCursor::pos());
    setCursor(FramelessGeometry::cursorShape(m_resizeRegion));
    return true;
}

bool QMainWidget::dragOrResize()
{
    if (!m_dragging)
        return true;
    if (m_resizeRegion == FramelessGeometry::kRegionNone
        && !FramelessGeometry::inMoveArea(mapFromGlobal(m_pressPosition).y()))
        return true;

    // The press position follows every step, refused ones included, so a refused step is
    // dropped rather than carried over.
    const QPoint cursor = QCursor::pos();
    const QPoint delta = cursor - m_pressPosition;
    m_pressPosition = cursor;

    const FramelessGeometry::Step step =
        FramelessGeometry::step(m_resizeRegion, pos(), size(), minimumSize(), delta);
    if (step.resizes)
        resize(step.size);
    if (step.moves)
        move(step.position);
    return true;
}
