#pragma once

#include <QDialog>
#include <QPoint>
#include <QVariant>

/// Base of the program's frameless dialogs. After initDialog() the dialog has no system frame,
/// draws a soft shadow around its content, can be dragged by any point of its own surface
/// (not by child widgets that take the press), and routes Escape and Return to onEscape() and
/// onEnter(), which subclasses may override.
class QBaseDialog : public QDialog
{
    Q_OBJECT

public:
    explicit QBaseDialog(QWidget *parent = nullptr);

    /// Frameless, translucent, shadowed set-up; loads the style sheet through loadStyle().
    virtual void initDialog(const QString &styleSheetPath);
    /// Applies the style sheet at path with its font sizes scaled for the display.
    virtual void loadStyle(const QString &path);
    /// Escape: rejects by default.
    virtual void onEscape();
    /// Return or Enter: accepts by default.
    virtual void onEnter();

    /// Brings the dialog's window to the front, then runs it modally.
    int execForeground();
    /// Centres the dialog on its parent widget (no move without one), then runs it modally.
    int execCentered();

    /// Sets a property on widget and polishes it again so property selectors follow.
    static void setWidgetProperty(QWidget *widget, const char *name, const QVariant &value);

public slots:
    void onClose();
    void onOK();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPoint m_dragOffset;
    bool m_dragging = false;
};
