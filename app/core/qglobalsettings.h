#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

/// The settings of app.ini, read once at start-up and answered from memory afterwards.
/// The file is never written; setValue changes the in-memory copy only.
class QGlobalSettings : public QObject
{
    Q_OBJECT
public:
    using Section = QMap<QString, QVariant>;

    static void load(const QString &filePath);

    static QVariant value(const QString &section, const QString &key,
                          const QVariant &defaultValue = QVariant());
    static void setValue(const QString &section, const QString &key, const QVariant &value);

    static int getInt(const QString &section, const QString &key, int defaultValue = 0);
    static unsigned int getUInt(const QString &section, const QString &key,
                                unsigned int defaultValue = 0);
    static QString getString(const QString &section, const QString &key,
                             const QString &defaultValue = QString());
    static bool getBool(const QString &section, const QString &key, bool defaultValue = false);
    static float getFloat(const QString &section, const QString &key, float defaultValue = 0.0f);
    static qint64 getLongLong(const QString &section, const QString &key, qint64 defaultValue = 0);

    static QVariant globalValue(const QString &key, const QVariant &defaultValue = QVariant());
    static void setGlobalValue(const QString &key, const QVariant &value);
    /// A copy of the section; an absent section is created empty.
    static Section sectionValues(const QString &section);

    /// Forgets everything loaded or set; for tests that load several files in one process.
    static void clear();

private:
    QGlobalSettings() = delete;
    static QMap<QString, Section> s_store;
};

namespace SettingsKey {
constexpr char kLang[] = "lang";
constexpr char kAppName[] = "app_name";
constexpr char kService[] = "service";
constexpr char kName[] = "name";
constexpr char kDefault[] = "default";
constexpr char kGlobal[] = "global";
constexpr char kAppId[] = "app_id";
constexpr char kVersion[] = "version";
constexpr char kPath[] = "path";
constexpr char kDesc[] = "desc";
constexpr char kDebug[] = "debug";
} // namespace SettingsKey
