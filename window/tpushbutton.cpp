#include "tpushbutton.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

namespace {

void applyStatus(QWidget *widget, const QVariant &value)
{
    if (!widget)
        return;
    widget->setProperty("status", value);
    widget->style()->polish(widget);
    widget->update();
}

} // namespace

TPushButton::TPushButton(QWidget *parent)
    : TButton(parent)
{
    setCursor(Qt::PointingHandCursor);

    m_outerLayout = new QHBoxLayout(this);
    m_outerLayout->setSpacing(6);
    m_outerLayout->setContentsMargins(0, 0, 0, 0);

    m_buttonMain = new QFrame(this);
    m_buttonMain->setObjectName(QStringLiteral("buttonMain"));
    m_buttonMain->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_outerLayout->addWidget(m_buttonMain);

    m_innerLayout = new QHBoxLayout(m_buttonMain);
    m_innerLayout->setSpacing(6);
    m_innerLayout->setContentsMargins(0, 0, 0, 0);

    m_buttonIcon = new QLabel(m_buttonMain);
    m_buttonIcon->setObjectName(QStringLiteral("buttonIcon"));
    m_innerLayout->addWidget(m_buttonIcon);

    m_buttonText = new QLabel(m_buttonMain);
    m_buttonText->setObjectName(QStringLiteral("buttonText"));
    m_buttonText->setText(QStringLiteral("Button"));
    m_buttonText->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_innerLayout->addWidget(m_buttonText);

    installEventFilter(this);
}

void TPushButton::setIconSize(int width, int height)
{
    m_buttonIcon->setFixedSize(width, height);
}

void TPushButton::setIconVisible(bool visible)
{
    m_buttonIcon->setVisible(visible);
}

void TPushButton::setText(const QString &text)
{
    m_buttonText->setText(text);
}

void TPushButton::setSpacing(int spacing)
{
    m_innerLayout->setSpacing(spacing);
}

void TPushButton::setContentsMargins(int left, int top, int right, int bottom)
{
    m_innerLayout->setContentsMargins(left, top, right, bottom);
}

void TPushButton::setFixedSize(int width, int height)
{
    TButton::setFixedSize(width, height);
    m_buttonMain->setFixedSize(width, height);
}

void TPushButton::enable()
{
    setEnabled(true);
    setStatus(QStringLiteral("normal"));
}

void TPushButton::disable()
{
    setEnabled(false);
    setStatus(QStringLiteral("disabled"));
}

void TPushButton::repolish()
{
    style()->polish(this);
    m_buttonIcon->style()->polish(m_buttonIcon);
    m_buttonText->style()->polish(m_buttonText);
    update();
}

void TPushButton::setStatus(const QVariant &value)
{
    TButton::setStatus(value);
    applyStatus(m_buttonIcon, value);
    applyStatus(m_buttonText, value);
}

bool TPushButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this) {
        if (event->type() == QEvent::Enter) {
            if (isEnabled())
                setStatus(QStringLiteral("hover"));
        } else if (event->type() == QEvent::Leave) {
            // A checked button keeps its look when the mouse leaves.
            if (isEnabled() && !isChecked())
                setStatus(QStringLiteral("normal"));
        }
    }
    return TButton::eventFilter(watched, event);
}
