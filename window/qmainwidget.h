#pragma once

#include "quserhelp.h"
#include "ui_qmainwidget.h"

#include <QIcon>
#include <QPoint>
#include <QWidget>

class QMenu;
class QUserButton;
class QWebBrowser;
class TPushButton;

/// The one top-level window: frameless, its client area the web view; the native title and
/// bottom bars are built but stay hidden, so window control comes mainly from the page.
class QMainWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QMainWidget(QWidget *parent = nullptr);

    QWebBrowser *browser() const { return m_browser; }
    /// The page to load: the "path" setting, else dist/index.html in the working directory. A
    /// configured page that cannot be loaded is reported on stderr and in the log, and the
    /// default page is loaded instead.
    static QString pageAddress();
    /// Why the page at address cannot be loaded; empty when it can, or when only loading it
    /// can tell (http and https).
    static QString pageProblem(const QString &address);
    /// The logo in the sizes the window system shows.
    static QIcon windowIconRenditions();
    /// The style sheet of a title-bar account button with this icon: the TPushButton template
    /// with its text size, colours and icons filled in.
    static QString titleBarButtonStyle(const QString &icon);
    QUserHelp *userHelp() { return &m_userHelp; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

    /// Classifies the cursor against the window's edges and sets the matching cursor shape.
    bool updateResizeRegion();
    /// Applies one mouse step to the window's position or size according to the region.
    bool dragOrResize();

public slots:
    void onBtnMin();
    void onBtnMax();
    void onBtnClose();
    void onBtnMenu();
    void onBtnLogin();
    void onBtnUser();
    void onUserAvatar(const QPixmap &picture);
    void onUserLogin(const QString &name);
    void onUserLogout();
    void onBtnCustomer();
    void onLoadingFinished();

private:
    void initialize();
    void createAccountButtons();
    void connectSignals();
    void installFilters();
    /// The point under a title-bar button's lower edge, in global coordinates.
    QPoint anchorBelow(QWidget *button) const;
    void repaintTitleLater();
    void pushLoginEvent(bool login);
    /// The window icon and the update check: after the page's first load, never before.
    void startAfterLoadWork();

    Ui::QMainWidgetClass ui;
    QMenu *m_menu = nullptr;
    QUserHelp m_userHelp;
    TPushButton *btnMenu = nullptr;
    TPushButton *btnLogin = nullptr;
    TPushButton *btnCustomer = nullptr;
    QUserButton *userButton = nullptr;
    QPoint m_pressPosition;
    bool m_dragging = false;
    int m_resizeRegion = 0;
    QWebBrowser *m_browser = nullptr;
    bool m_afterLoadStarted = false;
};
