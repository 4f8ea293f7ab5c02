#include "tbutton.h"

#include <QMouseEvent>
#include <QStyle>

TButton::TButton(QWidget *parent)
    : QFrame(parent, Qt::WindowFlags())
{
    setObjectName(QStringLiteral("TButton"));
}

void TButton::setCheckable(bool checkable)
{
    m_checkable = checkable;
}

bool TButton::isCheckable() const
{
    return m_checkable;
}

bool TButton::isChecked() const
{
    return m_checked;
}

void TButton::setChecked(bool value)
{
    if (!m_checkable || value == m_checked)
        return;
    m_checked = value;
}

void TButton::setStatus(const QVariant &value)
{
    setProperty("status", value);
    style()->polish(this);
    update();
}

void TButton::toggle()
{
    m_checked = m_checkable ? !m_checked : false;
}

void TButton::click()
{
    toggle();
    emit clicked(m_checked);
}

void TButton::mousePressEvent(QMouseEvent *)
{
    m_pressed = true;
    update();
}

// The base handlers are not called: the button consumes its mouse events, and a release away
// from the button still completes the click.
void TButton::mouseReleaseEvent(QMouseEvent *)
{
    if (m_pressed) {
        setFocus();
        toggle();
        m_pressed = false;
        emit clicked(m_checked);
    }
    update();
}
