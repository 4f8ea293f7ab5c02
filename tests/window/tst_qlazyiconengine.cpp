// The window icon's engine: which rendition answers a size, and that nothing is read until a
// size is asked for.
#include "qlazyiconengine.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestQLazyIconEngine : public QObject
{
    Q_OBJECT
private slots:
    void sizesAndRenditions_data();
    void sizesAndRenditions();
    void filesAreReadWhenAskedFor();
    void picturesKeepTheirDecodedFormat();
};

void TestQLazyIconEngine::sizesAndRenditions_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QRgb>("colour");
    // The files: 16 red, 32 green, 64 blue.
    QTest::newRow("exact small") << QSize(16, 16) << QSize(16, 16) << qRgb(255, 0, 0);
    QTest::newRow("exact middle") << QSize(32, 32) << QSize(32, 32) << qRgb(0, 255, 0);
    QTest::newRow("between: the next larger, scaled down")
        << QSize(20, 20) << QSize(20, 20) << qRgb(0, 255, 0);
    QTest::newRow("smaller than all") << QSize(8, 8) << QSize(8, 8) << qRgb(255, 0, 0);
    QTest::newRow("larger than all: never scaled up")
        << QSize(300, 300) << QSize(64, 64) << qRgb(0, 0, 255);
    QTest::newRow("not square: fits inside") << QSize(48, 24) << QSize(24, 24) << qRgb(0, 255, 0);
}

void TestQLazyIconEngine::sizesAndRenditions()
{
    QFETCH(QSize, asked);
    QFETCH(QSize, expected);
    QFETCH(QRgb, colour);
    QTemporaryDir dir;
    QList<QLazyIconEngine::Rendition> renditions;
    // Listed out of order on purpose.
    const QList<QPair<int, QRgb>> files = {
        {64, qRgb(0, 0, 255)}, {16, qRgb(255, 0, 0)}, {32, qRgb(0, 255, 0)}};
    for (const auto &file : files) {
        QImage image(file.first, file.first, QImage::Format_ARGB32);
        image.fill(file.second);
        const QString path = dir.filePath(QStringLiteral("logo.%1.png").arg(file.first));
        QVERIFY(image.save(path));
        renditions.append({QSize(file.first, file.first), path});
    }
    const QIcon icon(new QLazyIconEngine(renditions));

    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), (QList<QSize> {QSize(16, 16), QSize(32, 32), QSize(64, 64)}));
    QCOMPARE(icon.actualSize(asked), expected);
    const QPixmap picture = icon.pixmap(asked);
    QCOMPARE(picture.size(), expected);
    QCOMPARE(picture.toImage().pixel(expected.width() / 2, expected.height() / 2), colour);
}

void TestQLazyIconEngine::filesAreReadWhenAskedFor()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("late.png"));
    const QIcon icon(new QLazyIconEngine({{QSize(16, 16), path}}));
    // Nothing there yet: an icon that had read its file at construction would stay empty.
    QVERIFY(icon.pixmap(QSize(16, 16)).isNull());
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(path));
    QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
    QVERIFY(QIcon(new QLazyIconEngine({})).isNull());
}

void TestQLazyIconEngine::picturesKeepTheirDecodedFormat()
{
    // The window system takes the icon as plain ARGB: a conversion to the premultiplied form
    // (threads of its own for a picture this large) would only be converted straight back.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logo.256.png"));
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 30, 100));
    QVERIFY(image.save(path));
    const QIcon icon(new QLazyIconEngine({{QSize(256, 256), path}}));
    const QImage picture = icon.pixmap(QSize(256, 256)).toImage();
    QCOMPARE(picture.format(), QImage::Format_ARGB32);
    QCOMPARE(picture.pixel(128, 128), qRgba(10, 200, 30, 100));
}

QTEST_MAIN(TestQLazyIconEngine)
#include "tst_qlazyiconengine.moc"
