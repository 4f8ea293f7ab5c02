#include "qdtaproduct.h"

QDtaProduct::QDtaProduct(QAppType type, const QString &id, const QString &title,
                         const QString &version)
    : m_type(type)
    , m_id(id)
    , m_title(title)
    , m_version(version)
{ }
