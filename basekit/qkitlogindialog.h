#pragma once

#include "qkitdialog.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

/// The login form: display name and optional password. Submitting hands both to the submit
/// handler; the form closes as accepted only when the handler signs the user in, and shows the
/// handler's message otherwise.
class QKitLoginDialog : public QKitDialog
{
    Q_OBJECT
public:
    using SubmitHandler =
        std::function<bool(const QString &name, const QString &password, QString *message)>;

    explicit QKitLoginDialog(QWidget *parent = nullptr);

    void setSubmitHandler(const SubmitHandler &handler) { m_handler = handler; }
    void setName(const QString &name);
    QString message() const;

public slots:
    void submit();

private:
    SubmitHandler m_handler;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_password = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_login = nullptr;
};
