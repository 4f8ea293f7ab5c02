#include "qkitlogindialog.h"

#include "qkitprofiles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

QKitLoginDialog::QKitLoginDialog(QWidget *parent)
    : QKitDialog(tr("登录"), parent)
{
    setObjectName(QStringLiteral("kitLoginDialog"));
    setModal(true);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("editName"));
    m_name->setPlaceholderText(tr("用户名"));
    m_name->setMaxLength(QKitProfiles::kMaxNameLength * 2);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("editPassword"));
    m_password->setPlaceholderText(tr("密码（可选）"));
    m_password->setEchoMode(QLineEdit::Password);
    auto *hint = new QLabel(tr("新的用户名会创建本机账户；设置了密码的账户需输入密码。"), this);
    hint->setObjectName(QStringLiteral("labelHint"));
    hint->setWordWrap(true);
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("labelError"));
    m_error->setWordWrap(true);
    m_error->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    m_login = new QPushButton(tr("登录"), this);
    m_login->setObjectName(QStringLiteral("btnLogin"));
    m_login->setProperty("accent", true);
    m_login->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_login);

    bodyLayout()->addWidget(m_name);
    bodyLayout()->addWidget(m_password);
    bodyLayout()->addWidget(hint);
    bodyLayout()->addWidget(m_error);
    bodyLayout()->addLayout(buttons);
    setFixedWidth(360);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_login, &QPushButton::clicked, this, &QKitLoginDialog::submit);
    m_name->setFocus();
}

void QKitLoginDialog::setName(const QString &name)
{
    m_name->setText(name);
    if (!name.isEmpty())
        m_password->setFocus();
}

QString QKitLoginDialog::message() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void QKitLoginDialog::submit()
{
    QString message;
    const bool signedIn = m_handler && m_handler(m_name->text(), m_password->text(), &message);
    if (signedIn) {
        m_error->hide();
        accept();
        return;
    }
    m_error->setText(message.isEmpty() ? tr("登录失败") : message);
    m_error->show();
    m_password->clear();
    if (m_name->text().trimmed().isEmpty())
        m_name->setFocus();
    else
        m_password->setFocus();
}
