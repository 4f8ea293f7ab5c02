#pragma once

#include <QDialog>
#include <QPoint>

class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;

/// The library's frameless dialog: a white card with a soft shadow, a title row with a close
/// button, dragged by its title. Escape closes it as a cancel.
class QKitDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QKitDialog(const QString &title, QWidget *parent = nullptr);

    void setTitle(const QString &title);
    /// Layout of the card's body, below the title row.
    QVBoxLayout *bodyLayout() const { return m_body; }

    /// The look shared by the library's dialogs, menu and panels.
    static QString styleSheet();
    /// Puts the card into a frameless top level: with a soft shadow in a translucent margin
    /// where the window system composes, else with a plain border. Returns the card.
    static QFrame *makeCard(QWidget *window, int shadowMargin);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QLabel *m_title = nullptr;
    QPushButton *m_close = nullptr;
    QVBoxLayout *m_body = nullptr;
    QWidget *m_titleRow = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
