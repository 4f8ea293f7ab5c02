#pragma once

#include "qbasekit_global.h"

#include <QString>
#include <json/json.h>

// QString conversions for jsoncpp values; JSON text is UTF-8.
namespace Json {

QBASEKIT_EXPORT Value fromQString(const QString &text);
QBASEKIT_EXPORT QString asQString(const Value &value);
/// The value's JSON text: indented when styled, else on one line.
QBASEKIT_EXPORT QString toQString(const Value &value, bool styled);

} // namespace Json
