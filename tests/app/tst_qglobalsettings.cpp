#include "appidentity.h"
#include "qglobalsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public testing::Test
{
protected:
    void SetUp() override { QGlobalSettings::clear(); }
    void TearDown() override { QGlobalSettings::clear(); }

    QString writeFile(const QByteArray &content)
    {
        const QString path = m_directory.filePath(QStringLiteral("app.ini"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }

    void expectDefaults()
    {
        EXPECT_EQ(language(), QStringLiteral("zh"));
        EXPECT_EQ(appVersion(), QStringLiteral("2.0.0.1"));
        EXPECT_EQ(appTitle(), QStringLiteral("Tapwise"));
        EXPECT_EQ(appId(), QStringLiteral("unknown"));
        EXPECT_EQ(QGlobalSettings::getString("default", "path"), QString());
        EXPECT_FALSE(QGlobalSettings::getBool("default", "debug", false));
    }

    QTemporaryDir m_directory;
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesEveryDefault)
{
    QGlobalSettings::load(m_directory.filePath(QStringLiteral("absent.ini")));
    expectDefaults();
    EXPECT_EQ(serviceName(), QStringLiteral("AppService"));
    EXPECT_EQ(servicePath(), QStringLiteral("App.exe"));
    EXPECT_EQ(serviceDesc(), QStringLiteral("App Service"));
}

TEST_F(SettingsTest, EmptyFileGivesDefaults)
{
    QGlobalSettings::load(writeFile(QByteArray()));
    expectDefaults();
}

TEST_F(SettingsTest, BinaryGarbageGivesDefaultsWithoutCrashing)
{
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.append(static_cast<char>(seed >> 16));
    }
    QGlobalSettings::load(writeFile(garbage));
    expectDefaults();
}

TEST_F(SettingsTest, HugeFileIsIgnored)
{
    QByteArray huge = "[default]\nversion=9.9.9.9\n";
    huge.append(QByteArray(4 * 1024 * 1024, 'x'));
    QGlobalSettings::load(writeFile(huge));
    expectDefaults();
}

TEST_F(SettingsTest, DirectoryNamedLikeTheFileIsIgnored)
{
    QDir(m_directory.path()).mkdir(QStringLiteral("app.ini"));
    QGlobalSettings::load(m_directory.filePath(QStringLiteral("app.ini")));
    expectDefaults();
}

TEST_F(SettingsTest, ValuesAreReadFromTheirSections)
{
    QGlobalSettings::load(
        writeFile("[default]\nlang=en\nversion=3.1.4.1\napp_id=kx\n"
                  "path=http://localhost/index.html\ndebug=true\n"
                  "[app_name]\nname_en=Tapwise EN\nname_zh=\xE6\x89\x93\xE5\xAD\x97\n"
                  "[service]\nname=Svc\n"));
    EXPECT_EQ(language(), QStringLiteral("en"));
    EXPECT_EQ(appTitle(), QStringLiteral("Tapwise EN"));
    EXPECT_EQ(appVersion(), QStringLiteral("3.1.4.1"));
    EXPECT_EQ(appId(), QStringLiteral("kx"));
    EXPECT_EQ(serviceName(), QStringLiteral("Svc"));
    EXPECT_EQ(QGlobalSettings::getString("default", "path"),
              QStringLiteral("http://localhost/index.html"));
    EXPECT_TRUE(QGlobalSettings::getBool("default", "debug", false));
    setLanguage(QStringLiteral("zh"));
    EXPECT_EQ(appTitle(), QString::fromUtf8("\xE6\x89\x93\xE5\xAD\x97"));
}

TEST_F(SettingsTest, EmptyGlobalLanguageFallsBackToDefaultSection)
{
    QGlobalSettings::load(writeFile("[global]\nlang=\n[default]\nlang=en\n"));
    EXPECT_EQ(language(), QStringLiteral("en"));
}

TEST_F(SettingsTest, GlobalLanguageWinsOverDefault)
{
    QGlobalSettings::load(writeFile("[global]\nlang=fr\n[default]\nlang=en\n"));
    EXPECT_EQ(language(), QStringLiteral("fr"));
    EXPECT_EQ(defaultLanguage(), QStringLiteral("en"));
}

TEST_F(SettingsTest, ExistingEmptyValueIsNotReplacedByTheDefault)
{
    QGlobalSettings::load(writeFile("[default]\nversion=\n"));
    EXPECT_EQ(appVersion(), QString());
}

TEST_F(SettingsTest, NamesAreCaseSensitiveAndKeysOutsideSectionsAreSkipped)
{
    QGlobalSettings::load(writeFile("version=1.0\n[Default]\nversion=5.0\n"));
    EXPECT_EQ(appVersion(), QStringLiteral("2.0.0.1"));
    EXPECT_EQ(QGlobalSettings::getString("Default", "version"), QStringLiteral("5.0"));
}

TEST_F(SettingsTest, UnconvertibleValuesGiveTheTypesZero)
{
    QGlobalSettings::load(writeFile("[numbers]\nint=abc\nfloat=x1\nlong=12345678901\n"));
    EXPECT_EQ(QGlobalSettings::getInt("numbers", "int", 7), 0);
    EXPECT_EQ(QGlobalSettings::getFloat("numbers", "float", 2.5f), 0.0f);
    EXPECT_EQ(QGlobalSettings::getLongLong("numbers", "long", 0), 12345678901LL);
    EXPECT_EQ(QGlobalSettings::getInt("numbers", "absent", 7), 7);
    EXPECT_EQ(QGlobalSettings::getUInt("numbers", "absent", 9u), 9u);
}

TEST_F(SettingsTest, SetValueChangesMemoryOnlyAndLoadReplacesEntries)
{
    const QByteArray content = "[default]\nversion=1.0\n";
    const QString path = writeFile(content);
    QGlobalSettings::load(path);
    QGlobalSettings::setValue("default", "version", "2.5");
    QGlobalSettings::setGlobalValue("lang", "en");
    EXPECT_EQ(appVersion(), QStringLiteral("2.5"));
    EXPECT_EQ(language(), QStringLiteral("en"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

TEST_F(SettingsTest, ValueNeverInsertsButSectionValuesCreatesTheSection)
{
    EXPECT_FALSE(QGlobalSettings::value("ghost", "key").isValid());
    EXPECT_TRUE(QGlobalSettings::sectionValues("ghost").isEmpty());
    QGlobalSettings::setValue("ghost", "key", 1);
    EXPECT_EQ(QGlobalSettings::sectionValues("ghost").value("key").toInt(), 1);
}

TEST_F(SettingsTest, DefaultTitleFollowsTheInstalledTranslation)
{
    class TitleTranslator : public QTranslator
    {
    public:
        QString translate(const char *context, const char *source, const char *, int) const override
        {
            return QByteArray(context).isEmpty() && QByteArray(source) == "Tapwise"
                ? QStringLiteral("Tapwise (translated)")
                : QString();
        }
    } translator;
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(appTitle(), QStringLiteral("Tapwise (translated)"));
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(appTitle(), QStringLiteral("Tapwise"));
}

TEST_F(SettingsTest, TextWithCommasIsReadAsWritten)
{
    const struct
    {
        const char *line;
        const char *expected;
    } rows[] = {
        {"path=file:///home/a,b/dist/index.html", "file:///home/a,b/dist/index.html"},
        {"path=/srv/pages/x, y ,z.html", "/srv/pages/x, y ,z.html"},
        {"path=\"/quoted,path\"", "/quoted,path"},
        {"path=,", ","},
        {"name_zh=Tapwise, 打字练习", "Tapwise, 打字练习"},
        {"path=/plain/index.html", "/plain/index.html"},
    };
    for (const auto &row : rows) {
        QGlobalSettings::clear();
        const QByteArray key = QByteArray(row.line).left(QByteArray(row.line).indexOf('='));
        QGlobalSettings::load(
            writeFile(QByteArray("[default]\r\n") + row.line + "\r\n[other]\nkey=1,2\n"));
        EXPECT_EQ(QGlobalSettings::getString("default", QString::fromLatin1(key)),
                  QString::fromUtf8(row.expected))
            << row.line;
        EXPECT_EQ(QGlobalSettings::getString("other", "key"), QStringLiteral("1,2"));
    }
}
