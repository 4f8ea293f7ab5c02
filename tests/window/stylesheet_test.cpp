// DPI scale factor, size scaling and style-sheet font scaling.
#include "stylesheet.h"

#include <QFile>
#include <QGuiApplication>
#include <QMap>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

namespace {

class StyleSheetScale : public testing::Test
{
protected:
    void TearDown() override { setScaleFactorForDpi(96); }
};

struct DpiRow
{
    double dpi;
    float factor;
};

void PrintTo(const DpiRow &row, std::ostream *out)
{
    *out << row.dpi << " dpi -> " << row.factor;
}

class StyleSheetDpiThresholds : public testing::TestWithParam<DpiRow>
{
protected:
    void TearDown() override { setScaleFactorForDpi(96); }
};

// 134.4 and 172.8 give exactly 1.4 and 1.8, which as float fall just below the thresholds:
// the comparison is made in double on the float ratio.
TEST_P(StyleSheetDpiThresholds, ChoosesFactor)
{
    const DpiRow row = GetParam();
    EXPECT_EQ(scaleFactorForDpi(row.dpi), row.factor);
    setScaleFactorForDpi(row.dpi);
    EXPECT_EQ(scaleFactor(), row.factor);
}

INSTANTIATE_TEST_SUITE_P(
    LogicalDpi, StyleSheetDpiThresholds,
    testing::Values(DpiRow {72, 1.0f}, DpiRow {96, 1.0f}, DpiRow {105, 1.0f}, DpiRow {105.5, 1.0f},
                    DpiRow {106, 1.25f}, DpiRow {110, 1.25f}, DpiRow {120, 1.25f},
                    DpiRow {134, 1.25f}, DpiRow {134.4, 1.25f}, DpiRow {135, 1.5f},
                    DpiRow {144, 1.5f}, DpiRow {153, 1.5f}, DpiRow {154, 1.75f},
                    DpiRow {168, 1.75f}, DpiRow {172, 1.75f}, DpiRow {172.8, 1.75f},
                    DpiRow {173, 2.0f}, DpiRow {192, 2.0f}, DpiRow {288, 2.0f}),
    [](const testing::TestParamInfo<DpiRow> &info) {
        return "dpi"
            + QString::number(info.param.dpi)
                  .replace(QLatin1Char('.'), QLatin1Char('_'))
                  .toStdString();
    });

TEST_F(StyleSheetScale, InitFollowsFirstScreen)
{
    setScaleFactorForDpi(192);
    initScaleFactor();
    const QList<QScreen *> screens = QGuiApplication::screens();
    ASSERT_FALSE(screens.isEmpty());
    const double dpi = screens.first()->logicalDotsPerInch();
    EXPECT_EQ(scaleFactor(), scaleFactorForDpi(dpi)) << "logical DPI " << dpi;

    // Run with QT_FONT_DPI set (see CMakeLists.txt), this checks a screen of that density.
    bool forced = false;
    const int forcedDpi = qEnvironmentVariableIntValue("QT_FONT_DPI", &forced);
    if (forced) {
        const QMap<int, float> expected {{96, 1.0f}, {120, 1.25f}, {144, 1.5f}, {192, 2.0f}};
        ASSERT_TRUE(expected.contains(forcedDpi)) << "no expectation for " << forcedDpi;
        EXPECT_DOUBLE_EQ(dpi, forcedDpi);
        EXPECT_EQ(scaleFactor(), expected.value(forcedDpi));
    }
}

TEST_F(StyleSheetScale, ScaledTruncatesAndScaledRoundedRounds)
{
    setScaleFactorForDpi(96);
    EXPECT_EQ(scaled(15), 15);
    EXPECT_EQ(scaledRounded(15), 15);

    setScaleFactorForDpi(120);
    EXPECT_EQ(scaled(14), 17);
    EXPECT_EQ(scaledRounded(14), 18);
    EXPECT_EQ(scaledRounded(30), 38);
    EXPECT_EQ(scaledRounded(15), 19);
    EXPECT_EQ(scaled(2), 2); // 2.5 truncated
    EXPECT_EQ(scaledRounded(2), 3); // half rounded up

    setScaleFactorForDpi(144);
    EXPECT_EQ(scaled(15), 22);
    EXPECT_EQ(scaledRounded(15), 23);

    setScaleFactorForDpi(168);
    EXPECT_EQ(scaled(13), 22);
    EXPECT_EQ(scaledRounded(13), 23);
    EXPECT_EQ(scaledRounded(15), 26);

    setScaleFactorForDpi(192);
    EXPECT_EQ(scaled(13), 26);
    EXPECT_EQ(scaledRounded(15), 30);
    EXPECT_EQ(scaled(-3), -6);
}

QString declaration(int size)
{
    return QStringLiteral("font-size: %1px;").arg(size);
}

TEST_F(StyleSheetScale, FontSizeTable)
{
    const int sources[] = {26, 24, 22, 20, 18, 16, 15, 14, 13, 12};
    const struct
    {
        double dpi;
        int expected[10];
    } columns[] = {
        {120, {32, 30, 27, 25, 22, 20, 18, 17, 16, 15}},
        {144, {39, 36, 33, 30, 27, 24, 22, 21, 19, 18}},
        {168, {45, 42, 38, 35, 31, 28, 26, 24, 22, 21}},
        {192, {52, 48, 44, 40, 36, 32, 30, 28, 26, 24}},
    };
    for (const auto &column : columns) {
        setScaleFactorForDpi(column.dpi);
        for (int i = 0; i < 10; ++i) {
            QString text =
                QStringLiteral("QLabel { ") + declaration(sources[i]) + QStringLiteral(" }");
            scaleFontSizes(text);
            EXPECT_EQ(text.toStdString(),
                      ("QLabel { " + declaration(column.expected[i]) + " }").toStdString())
                << "dpi " << column.dpi << " size " << sources[i];
        }
    }
}

TEST_F(StyleSheetScale, EachDeclarationScaledOnce)
{
    setScaleFactorForDpi(120);
    QString text = QStringLiteral("a { font-size: 16px; } b { font-size: 20px; } "
                                  "c { font-size: 16px; }");
    scaleFontSizes(text);
    EXPECT_EQ(text.toStdString(),
              "a { font-size: 20px; } b { font-size: 25px; } "
              "c { font-size: 20px; }");
}

TEST_F(StyleSheetScale, OtherSpellingsAndSizesUntouched)
{
    setScaleFactorForDpi(120);
    const QString untouched = QStringLiteral("a { font-size:14px; } b { font-size: 17px; } "
                                             "c { font-size: 14px } d { FONT-SIZE: 14px; } "
                                             "e { font-size: 14pt; } f { font-size: 114px; }");
    QString text = untouched;
    scaleFontSizes(text);
    // "114px;" ends in a recognised size but not in a recognised declaration.
    EXPECT_EQ(text.toStdString(), untouched.toStdString());

    QString mixed = QStringLiteral("x { font-size:14px; font-size: 14px; }");
    scaleFontSizes(mixed);
    EXPECT_EQ(mixed.toStdString(), "x { font-size:14px; font-size: 17px; }");
}

TEST_F(StyleSheetScale, FactorOneLeavesTextIdentical)
{
    setScaleFactorForDpi(96);
    const QString original = QStringLiteral("QLabel#t { font-size: 16px; color: #333; }\n"
                                            "QLabel#v { font-size: 14px; }\r\n\t/* 中文 */");
    QString text = original;
    scaleFontSizes(text);
    EXPECT_EQ(text, original);
}

TEST_F(StyleSheetScale, LoadStyleSheetReadsUtf8AndScales)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sheet.css"));
    const QByteArray stored = "QLabel { font-size: 14px; font-family: \"微软雅黑\"; }\n"
                              "QFrame { font-size: 16px; }\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(stored);
    }

    setScaleFactorForDpi(96);
    EXPECT_EQ(loadStyleSheet(path).toUtf8(), stored);

    setScaleFactorForDpi(120);
    EXPECT_EQ(loadStyleSheet(path).toStdString(),
              "QLabel { font-size: 17px; font-family: \"微软雅黑\"; }\n"
              "QFrame { font-size: 20px; }\n");
}

TEST_F(StyleSheetScale, LoadStyleSheetFromResource)
{
    setScaleFactorForDpi(96);
    QFile file(QStringLiteral(":/qss/TPushButton.css"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    EXPECT_EQ(loadStyleSheet(QStringLiteral(":/qss/TPushButton.css")).toUtf8(), stored);

    // The template's size is a placeholder, so scaling leaves it alone.
    setScaleFactorForDpi(192);
    EXPECT_EQ(loadStyleSheet(QStringLiteral(":/qss/TPushButton.css")).toUtf8(), stored);
}

TEST_F(StyleSheetScale, LoadStyleSheetMissingPathIsEmpty)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(loadStyleSheet(dir.filePath(QStringLiteral("missing.css"))).isEmpty());
    EXPECT_TRUE(loadStyleSheet(QStringLiteral(":/qss/missing.css")).isEmpty());
    EXPECT_TRUE(loadStyleSheet(QString()).isEmpty());
    // A directory opens as a file on some systems but never yields text.
    EXPECT_TRUE(loadStyleSheet(dir.path()).isEmpty());
}

TEST(StyleSheetReplaceAll, ReplacesEveryOccurrenceCaseSensitively)
{
    QString text = QStringLiteral("ab AB ab-ab");
    replaceAll(text, QStringLiteral("ab"), QStringLiteral("x"));
    EXPECT_EQ(text, QStringLiteral("x AB x-x"));

    QString none = QStringLiteral("nothing here");
    replaceAll(none, QStringLiteral("zz"), QStringLiteral("y"));
    EXPECT_EQ(none, QStringLiteral("nothing here"));
}

TEST(StyleSheetReplaceAll, ReplacementCreatingANewMatchIsReplacedToo)
{
    // Searching again from the start also catches a match formed across the replacement.
    QString text = QStringLiteral("aabb");
    replaceAll(text, QStringLiteral("ab"), QStringLiteral(""));
    EXPECT_EQ(text, QString());
}

TEST(StyleSheetReplaceAll, ReplacementContainingTheSearchTextEnds)
{
    QString text = QStringLiteral("a-a");
    replaceAll(text, QStringLiteral("a"), QStringLiteral("aa"));
    EXPECT_EQ(text, QStringLiteral("aa-aa"));

    QString empty = QStringLiteral("abc");
    replaceAll(empty, QString(), QStringLiteral("x"));
    EXPECT_EQ(empty, QStringLiteral("abc"));
}

} // namespace
