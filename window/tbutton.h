#pragma once

#include <QFrame>
#include <QVariant>

class QMouseEvent;

/// Frame-based button whose whole look comes from style sheets. It keeps pressed, checkable
/// and checked state, emits clicked() on release after a press (wherever the cursor is, for
/// any mouse button), and carries the string property "status" for property selectors.
class TButton : public QFrame
{
    Q_OBJECT

public:
    explicit TButton(QWidget *parent = nullptr);

    void setCheckable(bool checkable);
    bool isCheckable() const;
    bool isChecked() const;

    /// Stores value when checkable; emits nothing and leaves "status" alone.
    virtual void setChecked(bool value);
    /// Sets "status" and polishes again so that property selectors are re-evaluated.
    virtual void setStatus(const QVariant &value);
    /// Inverts the checked flag when checkable, otherwise clears it.
    virtual void toggle();

    /// toggle(), then clicked(isChecked()).
    void click();

signals:
    void clicked(bool checked = false);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
    bool m_checkable = false;
    bool m_checked = false;
};
