#pragma once

#include "tbutton.h"

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

/// Icon label "buttonIcon" above a word-wrapped, centred text label "buttonText". "status" is
/// set on the button only; setChecked() also switches it to "checked" or "normal".
class TToolButton : public TButton
{
    Q_OBJECT

public:
    explicit TToolButton(QWidget *parent = nullptr);

    void setIconSize(int width, int height);
    void setText(const QString &text);

    /// Sets "status" to "checked" or "normal" on every change of value, even when the button
    /// is not checkable and the checked flag therefore stays false.
    void setChecked(bool value) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_buttonIcon = nullptr;
    QLabel *m_buttonText = nullptr;
    QHBoxLayout *m_iconLayout = nullptr;
    QVBoxLayout *m_mainLayout = nullptr;
};
