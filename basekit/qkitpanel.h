#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

/// The user and customer-service panels: a popup card under the title bar's button with the
/// user's name, install source and device code, a sign-in or sign-out button, and for the
/// customer panel the support text.
class QKitPanel : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { User, Customer };

    explicit QKitPanel(Kind kind, QWidget *parent = nullptr);

    /// Fills the panel from the current account state.
    void refresh();
    /// Shows the panel with its top edge centred on globalPoint, kept on the screen.
    void popup(const QPoint &globalPoint);

signals:
    void logoutRequested();
    void loginRequested();

private:
    Kind m_kind;
    QLabel *m_avatar = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_source = nullptr;
    QLabel *m_device = nullptr;
    QLabel *m_support = nullptr;
    QPushButton *m_logout = nullptr;
    QPushButton *m_login = nullptr;
};
