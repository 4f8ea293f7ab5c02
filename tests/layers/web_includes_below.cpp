// The web layer uses the application core below it.
#include "qglobalsettings.h"
#include "qwebbrowser.h"

QString webLayerReadsSettings()
{
    return QGlobalSettings::getString(QStringLiteral("default"), QStringLiteral("path"));
}
