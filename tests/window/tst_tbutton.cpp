// Click semantics of the frame-based button: press and release, checkable state, the signal.
#include "tbutton.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Parent that records the mouse presses that reach it.
class PressCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        QWidget::mousePressEvent(event);
    }
};

// Receiver for connections made by signature text.
class Receiver : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
public slots:
    void onClicked() { ++calls; }
};

// A button placed in a shown window, so that window-level mouse events reach it the way the
// window system delivers them.
struct ShownButton
{
    PressCounter window;
    TButton *button = nullptr;

    ShownButton()
    {
        window.resize(200, 120);
        button = new TButton(&window);
        button->setGeometry(50, 40, 80, 30);
        window.show();
    }
    QPoint centreInWindow() const { return button->geometry().center(); }
};

QList<bool> clickedValues(const QSignalSpy &spy)
{
    QList<bool> values;
    for (const QList<QVariant> &arguments : spy)
        values << arguments.at(0).toBool();
    return values;
}

} // namespace

class TestTButton : public QObject
{
    Q_OBJECT

private slots:
    void plainButtonClicksFalse();
    void checkableButtonAlternates();
    void releaseOutsideStillClicks();
    void doubleClickClicksTwice();
    void anyMouseButtonClicks_data();
    void anyMouseButtonClicks();
    void releaseWithoutPressDoesNotClick();
    void stringConnectionToClicked();
    void clickTakesFocus();
    void setCheckedRules();
};

void TestTButton::plainButtonClicksFalse()
{
    TButton button;
    QCOMPARE(button.objectName(), QStringLiteral("TButton"));
    QSignalSpy spy(&button, &TButton::clicked);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clickedValues(spy), (QList<bool> {false, false, false}));
    QVERIFY(!button.isChecked());
}

void TestTButton::checkableButtonAlternates()
{
    TButton button;
    button.setCheckable(true);
    QVERIFY(button.isCheckable());
    QSignalSpy spy(&button, &TButton::clicked);
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clickedValues(spy), (QList<bool> {true, false, true, false}));
    QVERIFY(!button.isChecked());
}

void TestTButton::releaseOutsideStillClicks()
{
    ShownButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QSignalSpy spy(shown.button, &TButton::clicked);

    QWindow *window = shown.window.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, shown.centreInWindow());
    QTest::mouseMove(window, QPoint(5, 5));
    QCOMPARE(spy.count(), 0);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(shown.window.presses, 0);
}

void TestTButton::doubleClickClicksTwice()
{
    ShownButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QSignalSpy spy(shown.button, &TButton::clicked);

    // A double click arrives as press, release, double-click, release.
    QWindow *window = shown.window.windowHandle();
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, shown.centreInWindow());
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, shown.centreInWindow());
    QCOMPARE(spy.count(), 2);
}

void TestTButton::anyMouseButtonClicks_data()
{
    QTest::addColumn<int>("mouseButton");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestTButton::anyMouseButtonClicks()
{
    QFETCH(int, mouseButton);
    ShownButton shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
    QSignalSpy spy(shown.button, &TButton::clicked);
    QTest::mouseClick(shown.window.windowHandle(), Qt::MouseButton(mouseButton), Qt::NoModifier,
                      shown.centreInWindow());
    QCOMPARE(spy.count(), 1);
    // The button consumes its mouse events: none travels on to the parent.
    QCOMPARE(shown.window.presses, 0);
}

void TestTButton::releaseWithoutPressDoesNotClick()
{
    TButton button;
    QSignalSpy spy(&button, &TButton::clicked);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QCOMPARE(spy.count(), 0);

    // The press is used up by one release: a second release does not click again.
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
}

void TestTButton::stringConnectionToClicked()
{
    TButton button;
    Receiver receiver;
    QVERIFY(QObject::connect(&button, SIGNAL(clicked()), &receiver, SLOT(onClicked())));
    QSignalSpy withArgument(&button, SIGNAL(clicked(bool)));
    QVERIFY(withArgument.isValid());
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(receiver.calls, 1);
    QCOMPARE(withArgument.count(), 1);
}

void TestTButton::clickTakesFocus()
{
    ShownButton shown;
    auto *other = new QLineEdit(&shown.window);
    other->setGeometry(10, 90, 100, 24);
    other->show();
    shown.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&shown.window));
    other->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), other);

    QTest::mouseClick(shown.window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      shown.centreInWindow());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(shown.button));
}

void TestTButton::setCheckedRules()
{
    TButton button;
    QSignalSpy spy(&button, &TButton::clicked);

    button.setChecked(true);
    QVERIFY2(!button.isChecked(), "a button that is not checkable never becomes checked");

    button.setCheckable(true);
    button.setChecked(true);
    QVERIFY(button.isChecked());
    button.setChecked(false);
    QVERIFY(!button.isChecked());

    QCOMPARE(spy.count(), 0);
    QVERIFY(!button.property("status").isValid());

    // A click on a checked button that was made not checkable clears the flag.
    button.setChecked(true);
    button.setCheckable(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.isChecked());
    QCOMPARE(clickedValues(spy), QList<bool> {false});
}

QTEST_MAIN(TestTButton)
#include "tst_tbutton.moc"
