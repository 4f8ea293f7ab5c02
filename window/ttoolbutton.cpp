#include "ttoolbutton.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TToolButton::TToolButton(QWidget *parent)
    : TButton(parent)
{
    setCursor(Qt::PointingHandCursor);

    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setSpacing(0);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);

    m_iconLayout = new QHBoxLayout();
    m_iconLayout->setSpacing(6);
    m_iconLayout->setContentsMargins(0, 0, 0, 0);
    m_buttonIcon = new QLabel(this);
    m_buttonIcon->setObjectName(QStringLiteral("buttonIcon"));
    m_iconLayout->addWidget(m_buttonIcon);
    m_mainLayout->addLayout(m_iconLayout);

    m_buttonText = new QLabel(this);
    m_buttonText->setObjectName(QStringLiteral("buttonText"));
    m_buttonText->setText(QStringLiteral("Button"));
    m_buttonText->setWordWrap(true);
    m_buttonText->setAlignment(Qt::AlignCenter);
    m_mainLayout->addWidget(m_buttonText);

    installEventFilter(this);
}

void TToolButton::setIconSize(int width, int height)
{
    m_buttonIcon->setFixedSize(width, height);
}

void TToolButton::setText(const QString &text)
{
    m_buttonText->setText(text);
}

void TToolButton::setChecked(bool value)
{
    if (value == isChecked())
        return;
    TButton::setChecked(value);
    setStatus(value ? QStringLiteral("checked") : QStringLiteral("normal"));
}

bool TToolButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this) {
        if (event->type() == QEvent::Enter)
            setStatus(QStringLiteral("hover"));
        else if (event->type() == QEvent::Leave && !isChecked())
            setStatus(QStringLiteral("normal"));
    }
    return TButton::eventFilter(watched, event);
}
