#include "qkitpanel.h"

#include "csetting.h"
#include "qkitavatar.h"
#include "qkitdialog.h"
#include "quser.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QVariant>

namespace {

constexpr int kShadowMargin = 12;
constexpr int kAvatarSize = 48;

} // namespace

QKitPanel::QKitPanel(Kind kind, QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_kind(kind)
{
    setObjectName(kind == Kind::User ? QStringLiteral("kitUserPanel")
                                     : QStringLiteral("kitCustomerPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    QFrame *card = QKitDialog::makeCard(this, kShadowMargin);
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(8);

    auto *header = new QHBoxLayout;
    m_avatar = new QLabel(card);
    m_avatar->setObjectName(QStringLiteral("labelAvatar"));
    m_avatar->setFixedSize(kAvatarSize, kAvatarSize);
    m_name = new QLabel(card);
    m_name->setObjectName(QStringLiteral("labelName"));
    header->addWidget(m_avatar);
    header->addWidget(m_name, 1);
    layout->addLayout(header);

    if (kind == Kind::Customer) {
        auto *title = new QLabel(tr("联系客服"), card);
        title->setObjectName(QStringLiteral("kitTitle"));
        layout->insertWidget(0, title);
        m_support = new QLabel(card);
        m_support->setObjectName(QStringLiteral("labelSupport"));
        m_support->setWordWrap(true);
        m_support->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(m_support);
    }
    m_source = new QLabel(card);
    m_source->setObjectName(QStringLiteral("labelSource"));
    m_device = new QLabel(card);
    m_device->setObjectName(QStringLiteral("labelDevice"));
    m_device->setWordWrap(true);
    // The device code is what support asks for: let the user select and copy it.
    m_device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_source);
    layout->addWidget(m_device);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_login = new QPushButton(tr("登录"), card);
    m_login->setObjectName(QStringLiteral("btnLogin"));
    m_login->setProperty("accent", true);
    m_logout = new QPushButton(tr("退出登录"), card);
    m_logout->setObjectName(QStringLiteral("btnLogout"));
    buttons->addWidget(m_login);
    buttons->addWidget(m_logout);
    layout->addLayout(buttons);
    // The shadow's margin, when there is one, comes on top of the card's width.
    const QMargins margins = QWidget::layout()->contentsMargins();
    setFixedWidth(320 + margins.left() + margins.right());

    connect(m_logout, &QPushButton::clicked, this, [this] {
        close();
        emit logoutRequested();
    });
    connect(m_login, &QPushButton::clicked, this, [this] {
        close();
        emit loginRequested();
    });
    refresh();
}

void QKitPanel::refresh()
{
    QUser *user = QUser::Instance();
    const bool login = user->isLogin();
    const QString name = user->name();
    if (login) {
        m_name->setText(name);
        m_avatar->setPixmap(QKitAvatar::picture(name, kAvatarSize));
    } else {
        m_name->setText(tr("未登录"));
        m_avatar->setPixmap(QKitAvatar::picture(QString(), kAvatarSize));
    }
    m_source->setText(tr("来源：%1").arg(user->getSource()));
    m_device->setText(tr("设备码：%1").arg(user->getDeviceCode()));
    if (m_support) {
        m_support->setText(
            CSetting::getString(QStringLiteral("support"), QStringLiteral("text"),
                                tr("使用中遇到问题？请把设备码告诉客服，我们会尽快帮您解决。")));
    }
    m_logout->setVisible(login);
    m_login->setVisible(!login);
    adjustSize();
}

void QKitPanel::popup(const QPoint &globalPoint)
{
    adjustSize();
    QPoint topLeft(globalPoint.x() - width() / 2,
                   globalPoint.y() - layout()->contentsMargins().top());
    const QScreen *screen = QGuiApplication::screenAt(globalPoint);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - width())));
        topLeft.setY(qBound(area.top(), topLeft.y(), qMax(area.top(), area.bottom() - height())));
    }
    move(topLeft);
    show();
    raise();
}
