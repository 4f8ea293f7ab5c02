// Loading the translation beside the executable, and what the shipped files hold.
#include "qsingleapplication.h"
#include "testpaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void missingFileInstallsNothing();
    void shippedEnglishTranslatesTheShell();
    void corruptFileLeavesTextsUntranslated();
    void emptyLanguageCodeFindsNoFile();
    void twoArgumentFormLooksBesideTheExecutable();
    void englishFileTranslatesEveryText();
    void commandLineHoldsTheRealArguments();

private:
    static QString versionText()
    {
        return QCoreApplication::translate("QMainWidget", "版本号：v%1");
    }
    static QSingleApplication *app() { return static_cast<QSingleApplication *>(qApp); }
    QString makeLanguageFolder(const QByteArray &qmContent, const QString &language);

    QTemporaryDir m_directory;
};

QString TranslationsTest::makeLanguageFolder(const QByteArray &qmContent, const QString &language)
{
    QDir(m_directory.path()).mkpath(QStringLiteral("language"));
    QFile file(m_directory.filePath(QStringLiteral("language/keystride_%1.qm").arg(language)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(qmContent);
    return m_directory.path();
}

void TranslationsTest::missingFileInstallsNothing()
{
    app()->loadTranslator(m_directory.path(), QStringLiteral("keystride"), QStringLiteral("xx"));
    QCOMPARE(versionText(), QStringLiteral("版本号：v%1"));
}

void TranslationsTest::shippedEnglishTranslatesTheShell()
{
    app()->loadTranslator(TestPaths::outputDir(), QStringLiteral("keystride"),
                          QStringLiteral("en"));
    QCOMPARE(versionText(), QStringLiteral("Version: v%1"));
    QCOMPARE(QCoreApplication::translate("QMainWidget", "登录"), QStringLiteral("Sign in"));
}

void TranslationsTest::corruptFileLeavesTextsUntranslated()
{
    app()->loadTranslator(TestPaths::outputDir(), QStringLiteral("keystride"),
                          QStringLiteral("en"));
    QCOMPARE(versionText(), QStringLiteral("Version: v%1"));
    // The new, empty translator replaces the English one.
    const QString directory = makeLanguageFolder(QByteArray(4096, '\x7f'), QStringLiteral("bad"));
    app()->loadTranslator(directory, QStringLiteral("keystride"), QStringLiteral("bad"));
    QCOMPARE(versionText(), QStringLiteral("版本号：v%1"));
}

void TranslationsTest::emptyLanguageCodeFindsNoFile()
{
    app()->loadTranslator(TestPaths::outputDir(), QStringLiteral("keystride"),
                          QStringLiteral("en"));
    app()->loadTranslator(TestPaths::outputDir(), QStringLiteral("keystride"), QString());
    // keystride_.qm does not exist, so the English translator stays.
    QCOMPARE(versionText(), QStringLiteral("Version: v%1"));
}

void TranslationsTest::twoArgumentFormLooksBesideTheExecutable()
{
    const QString besideExecutable = QCoreApplication::applicationDirPath();
    QDir(besideExecutable).mkpath(QStringLiteral("language"));
    const QString target = besideExecutable + QStringLiteral("/language/keystride_tst.qm");
    QFile::remove(target);
    QVERIFY(
        QFile::copy(TestPaths::outputDir() + QStringLiteral("/language/keystride_en.qm"), target));
    app()->loadTranslator(QStringLiteral("keystride"), QStringLiteral("zh"));
    app()->loadTranslator(QStringLiteral("keystride"), QStringLiteral("tst"));
    const QString translated = versionText();
    QFile::remove(target);
    QCOMPARE(translated, QStringLiteral("Version: v%1"));
}

void TranslationsTest::englishFileTranslatesEveryText()
{
    QFile file(TestPaths::sourceDir() + QStringLiteral("/translations/keystride_en.ts"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int messages = 0;
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const bool obsolete =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("vanished")
                || xml.attributes().value(QLatin1String("type")) == QLatin1String("obsolete");
            const QString translation = xml.readElementText();
            if (obsolete)
                continue;
            ++messages;
            QVERIFY2(!unfinished && !translation.isEmpty(), qPrintable(source));
        }
    }
    QVERIFY(!xml.hasError());
    QVERIFY(messages > 10);
}

void TranslationsTest::commandLineHoldsTheRealArguments()
{
    const QStringList commandLine = app()->commandLine();
    QVERIFY(!commandLine.isEmpty());
    QVERIFY(commandLine.first().endsWith(QStringLiteral("tst_translations")));
    QVERIFY(commandLine.contains(QStringLiteral("commandLineHoldsTheRealArguments")));
}

int main(int argc, char **argv)
{
    QSingleApplication application(argc, argv);
    TranslationsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
