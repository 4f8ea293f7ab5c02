#include "qkitmessagedialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

QKitMessageDialog::QKitMessageDialog(const QString &title, QWidget *parent)
    : QKitDialog(title, parent)
{
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("labelMessage"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setMinimumWidth(260);
    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("labelLink"));
    m_link->setOpenExternalLinks(true);
    m_link->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setProperty("accent", true);
    ok->setDefault(true);
    buttons->addWidget(ok);
    bodyLayout()->addWidget(m_text);
    bodyLayout()->addWidget(m_link);
    bodyLayout()->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void QKitMessageDialog::setMessage(const QString &text, const QUrl &link)
{
    m_text->setText(text);
    if (link.isValid()) {
        const QString address = link.toString(QUrl::FullyEncoded).toHtmlEscaped();
        m_link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#347AEB\">%2</a>")
                            .arg(address, tr("前往下载")));
        m_link->show();
    } else {
        m_link->clear();
        m_link->hide();
    }
    adjustSize();
}

QString QKitMessageDialog::message() const
{
    return m_text->text();
}
