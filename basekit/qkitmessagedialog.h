#pragma once

#include "qkitdialog.h"

#include <QUrl>

class QLabel;

/// A short notice in the library's look (update results, about): a text, an optional link and
/// an OK button. Shown without blocking the caller.
class QKitMessageDialog : public QKitDialog
{
    Q_OBJECT
public:
    explicit QKitMessageDialog(const QString &title, QWidget *parent = nullptr);

    void setMessage(const QString &text, const QUrl &link = QUrl());
    QString message() const;

private:
    QLabel *m_text = nullptr;
    QLabel *m_link = nullptr;
};
