// The drop-shadow effect: its reach and what it draws around a widget.
#include "qcustomshadoweffect.h"

#include <QLabel>
#include <QtTest>

namespace {

constexpr int kHostSize = 140;
constexpr int kChildOrigin = 40;
constexpr int kChildSize = 60;

// A white host with one opaque, patterned child in its middle: the effect goes on the child and
// its shadow falls on the host.
struct Scene
{
    QWidget host;
    QLabel *child = nullptr;

    Scene()
    {
        host.setFixedSize(kHostSize, kHostSize);
        host.setStyleSheet(QStringLiteral("QWidget#host { background: #FFFFFF; }"));
        host.setObjectName(QStringLiteral("host"));
        host.setAttribute(Qt::WA_StyledBackground, true);
        child = new QLabel(QStringLiteral("Tw"), &host);
        child->setObjectName(QStringLiteral("child"));
        child->setStyleSheet(QStringLiteral("QLabel#child { background: #347AEB; color: #FFFFFF; "
                                            "border: 2px solid #1F4E9E; }"));
        child->setAlignment(Qt::AlignCenter);
        child->setGeometry(kChildOrigin, kChildOrigin, kChildSize, kChildSize);
    }

    QImage render() { return host.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QCustomShadowEffect *makeEffect(double blurRadius, double distance, const QColor &color)
{
    auto *effect = new QCustomShadowEffect;
    effect->setBlurRadius(blurRadius);
    effect->setDistance(distance);
    effect->setColor(color);
    return effect;
}

// How much darker than white the host is at a point (0 = untouched).
int darkness(const QImage &image, int x, int y)
{
    return 255 - qGray(image.pixel(x, y));
}

} // namespace

class TestQCustomShadowEffect : public QObject
{
    Q_OBJECT

private slots:
    void boundingRectGrowsByReach();
    void boundingRectNonPositiveReach();
    void zeroReachDrawsSourceUnchanged();
    void shadowFallsAroundWidget();
    void shadowFadesOverBlurRadius();
};

void TestQCustomShadowEffect::boundingRectGrowsByReach()
{
    QCustomShadowEffect effect;
    const QRectF rect(10, 20, 30, 40);
    QCOMPARE(effect.boundingRectFor(rect), QRectF(-4, 6, 58, 68));
    effect.setBlurRadius(8);
    effect.setDistance(1);
    QCOMPARE(effect.boundingRectFor(rect), QRectF(1, 11, 48, 58));

    // Installed on a widget, the effect's rectangle follows each setter.
    Scene scene;
    auto *installed = new QCustomShadowEffect;
    scene.child->setGraphicsEffect(installed);
    QCOMPARE(installed->boundingRect(), QRectF(-14, -14, kChildSize + 28, kChildSize + 28));
    installed->setDistance(1);
    QCOMPARE(installed->boundingRect(), QRectF(-11, -11, kChildSize + 22, kChildSize + 22));
    installed->setBlurRadius(8);
    QCOMPARE(installed->boundingRect(), QRectF(-9, -9, kChildSize + 18, kChildSize + 18));
}

void TestQCustomShadowEffect::boundingRectNonPositiveReach()
{
    QCustomShadowEffect effect;
    const QRectF rect(10, 20, 30, 40);
    effect.setBlurRadius(0);
    effect.setDistance(0);
    QCOMPARE(effect.boundingRectFor(rect), rect);
    effect.setBlurRadius(-25);
    effect.setDistance(2);
    QCOMPARE(effect.boundingRectFor(rect), rect);
}

void TestQCustomShadowEffect::zeroReachDrawsSourceUnchanged()
{
    Scene scene;
    scene.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.host));
    const QImage plain = scene.render();

    scene.child->setGraphicsEffect(makeEffect(0, 0, QColor(0, 0, 0, 255)));
    const QImage withEffect = scene.render();
    QCOMPARE(withEffect, plain);

    // The same scene with a real reach does differ, so the comparison can tell.
    scene.child->setGraphicsEffect(makeEffect(8, 1, QColor(0, 0, 0, 52)));
    QVERIFY(scene.render() != plain);
}

void TestQCustomShadowEffect::shadowFallsAroundWidget()
{
    Scene scene;
    scene.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.host));
    const QImage plain = scene.render();
    scene.child->setGraphicsEffect(makeEffect(8, 1, QColor(0, 0, 0, 52)));
    const QImage shadowed = scene.render();

    // The widget itself is drawn unchanged on top of its shadow.
    const QRect childRect(kChildOrigin, kChildOrigin, kChildSize, kChildSize);
    for (int y = childRect.top(); y <= childRect.bottom(); ++y)
        for (int x = childRect.left(); x <= childRect.right(); ++x)
            QCOMPARE(shadowed.pixel(x, y), plain.pixel(x, y));

    // Every side is shaded just outside the widget.
    const int middle = kChildOrigin + kChildSize / 2;
    const int before = kChildOrigin - 1;
    const int after = kChildOrigin + kChildSize;
    for (const QPoint &point : {QPoint(before, middle), QPoint(after, middle),
                                QPoint(middle, before), QPoint(middle, after)}) {
        QVERIFY2(darkness(shadowed, point.x(), point.y()) > 0,
                 qPrintable(QStringLiteral("no shadow at %1,%2").arg(point.x()).arg(point.y())));
    }

    // Far from the widget the host is untouched.
    QCOMPARE(darkness(shadowed, 5, 5), 0);
    QCOMPARE(darkness(shadowed, middle, kHostSize - 5), 0);

    // The colour's alpha bounds the shade: black at alpha 52 over white.
    QVERIFY(darkness(shadowed, before, middle) <= 52);
}

void TestQCustomShadowEffect::shadowFadesOverBlurRadius()
{
    Scene scene;
    scene.child->setGraphicsEffect(makeEffect(8, 1, QColor(0, 0, 0, 52)));
    scene.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.host));
    const QImage shadowed = scene.render();

    // Walking left from the widget's left edge along its middle row the shadow only fades,
    // and it is gone beyond the reach of blur radius plus distance (measured: 33 19 10 6 3 1 1 0).
    const int middle = kChildOrigin + kChildSize / 2;
    QString profile;
    int previous = 256;
    for (int step = 1; step <= 14; ++step) {
        const int value = darkness(shadowed, kChildOrigin - step, middle);
        profile += QString::number(value) + QLatin1Char(' ');
        QVERIFY2(value <= previous, qPrintable(profile));
        previous = value;
    }
    QVERIFY2(darkness(shadowed, kChildOrigin - 1, middle)
                 > darkness(shadowed, kChildOrigin - 6, middle),
             qPrintable(profile));
    // The blur carries the shade well past the one-pixel distance, not as a hard edge.
    for (int step = 2; step <= 5; ++step)
        QVERIFY2(darkness(shadowed, kChildOrigin - step, middle) > 0, qPrintable(profile));
    for (int step = 10; step <= 14; ++step)
        QVERIFY2(darkness(shadowed, kChildOrigin - step, middle) == 0, qPrintable(profile));
}

QTEST_MAIN(TestQCustomShadowEffect)
#include "tst_qcustomshadoweffect.moc"
