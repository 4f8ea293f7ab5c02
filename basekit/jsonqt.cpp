#include "jsonqt.h"

#include <memory>
#include <sstream>

namespace Json {

Value fromQString(const QString &text)
{
    return Value(text.toStdString());
}

QString asQString(const Value &value)
{
    // asString() throws for arrays and objects; a caller asking for text gets none instead.
    if (value.isArray() || value.isObject())
        return QString();
    return QString::fromStdString(value.asString());
}

QString toQString(const Value &value, bool styled)
{
    StreamWriterBuilder builder;
    builder["indentation"] = styled ? "   " : "";
    builder["emitUTF8"] = true;
    return QString::fromStdString(writeString(builder, value));
}

} // namespace Json
