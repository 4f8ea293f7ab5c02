#pragma once

#include "qbasekit_global.h"

#include <QString>

using QAppType = int;

/// The product record the shell hands to the account library at start-up.
class QBASEKIT_EXPORT QDtaProduct
{
public:
    QDtaProduct() = default;
    QDtaProduct(QAppType type, const QString &id, const QString &title, const QString &version);

    QAppType type() const { return m_type; }
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString version() const { return m_version; }

private:
    QAppType m_type = 0;
    QString m_id;
    QString m_title;
    QString m_version;
};
