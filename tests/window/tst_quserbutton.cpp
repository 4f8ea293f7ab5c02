// The avatar-and-name button: scaled sizes, the avatar picture, the click.
#include "quserbutton.h"
#include "stylesheet.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QLabel *avatarLabel(QUserButton &button)
{
    for (QLabel *label : button.findChildren<QLabel *>())
        if (label->styleSheet().contains(QStringLiteral("label.user.avatar.png")))
            return label;
    return nullptr;
}

QLabel *nameLabel(QUserButton &button, const QString &text)
{
    for (QLabel *label : button.findChildren<QLabel *>())
        if (label->text() == text)
            return label;
    return nullptr;
}

// A window holding the button, shown, so that the style sheet is applied and clicks are
// dispatched as the window system dispatches them.
struct ShownUserButton
{
    QWidget window;
    QUserButton *button = nullptr;

    ShownUserButton()
    {
        auto *layout = new QVBoxLayout(&window);
        button = new QUserButton(&window);
        layout->addWidget(button);
        window.show();
    }
};

} // namespace

class TestQUserButton : public QObject
{
    Q_OBJECT

private slots:
    void init() { setScaleFactorForDpi(96); }
    void cleanup() { setScaleFactorForDpi(96); }

    void sizesFollowScaleFactor_data();
    void sizesFollowScaleFactor();
    void placeholderAvatar();
    void avatarStretchedToLabel_data();
    void avatarStretchedToLabel();
    void setName();
    void clickAnywhereClicksOnce();
};

void TestQUserButton::sizesFollowScaleFactor_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("avatar");
    QTest::addColumn<int>("fontSize");
    QTest::newRow("1.0") << 96.0 << 30 << 15;
    QTest::newRow("1.25") << 120.0 << 38 << 19;
    QTest::newRow("1.5") << 144.0 << 45 << 23;
    QTest::newRow("1.75") << 168.0 << 53 << 26;
    QTest::newRow("2.0") << 192.0 << 60 << 30;
}

void TestQUserButton::sizesFollowScaleFactor()
{
    QFETCH(double, dpi);
    QFETCH(int, avatar);
    QFETCH(int, fontSize);
    setScaleFactorForDpi(dpi);

    ShownUserButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QLabel *avatarItem = avatarLabel(*shown.button);
    QVERIFY(avatarItem);
    QCOMPARE(avatarItem->size(), QSize(avatar, avatar));
    QLabel *name = nameLabel(*shown.button, QStringLiteral("hello world"));
    QVERIFY(name);
    QCOMPARE(name->font().pixelSize(), fontSize);
    QCOMPARE(name->palette().color(QPalette::WindowText), QColor(QStringLiteral("#313131")));

    // The gap between avatar and name is not scaled.
    int gaps = 0;
    for (QLabel *label : shown.button->findChildren<QLabel *>())
        gaps += label->size() == QSize(4, 10) ? 1 : 0;
    QCOMPARE(gaps, 1);

    QCOMPARE(shown.button->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(shown.button->cursor().shape(), Qt::PointingHandCursor);
}

void TestQUserButton::placeholderAvatar()
{
    ShownUserButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QLabel *avatar = avatarLabel(*shown.button);
    QVERIFY(avatar);

    const QImage expected = QImage(QStringLiteral(":/image/label.user.avatar.png"))
                                .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(expected.size(), QSize(30, 30));
    const QImage drawn = avatar->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(drawn.size(), QSize(30, 30));
    // The picture is opaque inside its circle; compare a few points there.
    for (const QPoint &point : {QPoint(15, 12), QPoint(15, 25), QPoint(5, 15), QPoint(25, 15)})
        QCOMPARE(QColor(drawn.pixel(point)), QColor(expected.pixel(point)));
}

void TestQUserButton::avatarStretchedToLabel_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("side");
    QTest::newRow("1.0") << 96.0 << 30;
    QTest::newRow("1.25") << 120.0 << 38;
}

void TestQUserButton::avatarStretchedToLabel()
{
    QFETCH(double, dpi);
    QFETCH(int, side);
    setScaleFactorForDpi(dpi);

    // A wide picture, red on the left and blue on the right.
    QPixmap picture(200, 100);
    {
        QPainter painter(&picture);
        painter.fillRect(0, 0, 100, 100, Qt::red);
        painter.fillRect(100, 0, 100, 100, Qt::blue);
    }

    ShownUserButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    shown.button->setAvatar(picture);
    QLabel *avatar = avatarLabel(*shown.button);
    QVERIFY(avatar->hasScaledContents());

    const QImage drawn = avatar->grab().toImage();
    QCOMPARE(drawn.size(), QSize(side, side));
    // Stretched, not fitted: both halves reach the top and bottom rows.
    QCOMPARE(QColor(drawn.pixel(2, 0)), QColor(Qt::red));
    QCOMPARE(QColor(drawn.pixel(2, side - 1)), QColor(Qt::red));
    QCOMPARE(QColor(drawn.pixel(side - 3, 0)), QColor(Qt::blue));
    QCOMPARE(QColor(drawn.pixel(side - 3, side - 1)), QColor(Qt::blue));
    QCOMPARE(QColor(drawn.pixel(side / 2 - 3, side / 2)), QColor(Qt::red));
    QCOMPARE(QColor(drawn.pixel(side / 2 + 3, side / 2)), QColor(Qt::blue));
}

void TestQUserButton::setName()
{
    ShownUserButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));

    shown.button->setName(QStringLiteral("张小明"));
    QLabel *name = nameLabel(*shown.button, QStringLiteral("张小明"));
    QVERIFY(name);
    QVERIFY(!nameLabel(*shown.button, QStringLiteral("hello world")));
    // The fixed-width name label is laid out again to hold the whole new name.
    QTRY_COMPARE(name->width(), name->sizeHint().width());

    shown.button->hide();
    shown.button->show();
    QCOMPARE(name->text(), QStringLiteral("张小明"));
}

void TestQUserButton::clickAnywhereClicksOnce()
{
    ShownUserButton shown;
    shown.button->setName(QStringLiteral("张小明"));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QSignalSpy spy(shown.button, SIGNAL(clicked()));
    QVERIFY(spy.isValid());

    const QList<QLabel *> labels = shown.button->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 3);
    for (QLabel *label : labels) {
        spy.clear();
        const QPoint point = label->mapTo(&shown.window, label->rect().center());
        QTest::mouseClick(shown.window.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
        QCOMPARE(spy.count(), 1);
    }
}

QTEST_MAIN(TestQUserButton)
#include "tst_quserbutton.moc"
