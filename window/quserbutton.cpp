#include "quserbutton.h"

#include "stylesheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace {
constexpr int kAvatarSize = 30;
constexpr int kNameFontSize = 15;
constexpr int kRepaintDelayMs = 50;
} // namespace

QUserButton::QUserButton(QWidget *parent)
    : TButton(parent)
{
    // The size is filled in here, so loadStyleSheet's scaling never sees it: scale it by hand.
    setStyleSheet(QStringLiteral("QLabel{border:none;font-size: %2px;font-family: Microsoft "
                                 "YaHei;color:#313131;}")
                      .arg(scaledRounded(kNameFontSize)));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setCursor(Qt::PointingHandCursor);

    m_layout = new QHBoxLayout(this);
    m_layout->setSpacing(6);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_frame = new QFrame(this);
    m_layout->addWidget(m_frame);

    m_innerLayout = new QHBoxLayout(m_frame);
    m_innerLayout->setSpacing(4);
    m_innerLayout->setContentsMargins(0, 0, 0, 0);

    m_avatar = new QLabel(m_frame);
    m_avatar->setFixedSize(scaledRounded(kAvatarSize), scaledRounded(kAvatarSize));
    m_avatar->setStyleSheet(QStringLiteral("border-image:url(:/image/label.user.avatar.png)"));
    m_innerLayout->addWidget(m_avatar);

    m_gap = new QLabel(m_frame);
    m_gap->setFixedSize(4, 10);
    m_innerLayout->addWidget(m_gap);

    m_name = new QLabel(m_frame);
    m_name->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_name->setText(QStringLiteral("hello world"));
    m_innerLayout->addWidget(m_name);
}

void QUserButton::setName(const QString &name)
{
    m_name->setText(name);
    QTimer::singleShot(kRepaintDelayMs, this, [this] { update(); });
}

void QUserButton::setAvatar(const QPixmap &picture)
{
    m_avatar->setPixmap(picture);
    m_avatar->setScaledContents(true);
    QTimer::singleShot(kRepaintDelayMs, this, [this] { update(); });
}
