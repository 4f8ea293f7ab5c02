#pragma once

#include "tbutton.h"

class QHBoxLayout;
class QLabel;

/// Icon label and text label side by side inside an inner frame "buttonMain". The labels are
/// "buttonIcon" and "buttonText"; "status" is set on the button and on both labels, so a style
/// sheet can select on e.g. QLabel#buttonText[status='hover'] (see :/qss/TPushButton.css).
class TPushButton : public TButton
{
    Q_OBJECT

public:
    explicit TPushButton(QWidget *parent = nullptr);

    void setIconSize(int width, int height);
    void setIconVisible(bool visible);
    void setText(const QString &text);
    /// Spacing and margins of the inner layout between icon and text.
    void setSpacing(int spacing);
    void setContentsMargins(int left, int top, int right, int bottom);
    /// Fixed size of the button and of its inner frame.
    void setFixedSize(int width, int height);

    /// Enables the button and sets "status" to "normal".
    void enable();
    /// Disables the button and sets "status" to "disabled".
    void disable();
    /// Polishes the button and both labels again, e.g. after a style-sheet change.
    void repolish();

    void setStatus(const QVariant &value) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_buttonIcon = nullptr;
    QLabel *m_buttonText = nullptr;
    QHBoxLayout *m_innerLayout = nullptr;
    QFrame *m_buttonMain = nullptr;
    QHBoxLayout *m_outerLayout = nullptr;
};
