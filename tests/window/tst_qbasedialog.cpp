// The frameless base dialog: set-up, Escape and Return, dragging, centring, properties.
#include "qbasedialog.h"
#include "qcustomshadoweffect.h"
#include "stylesheet.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// A dialog that handles Escape and Return itself.
class KeyDialog : public QBaseDialog
{
public:
    using QBaseDialog::QBaseDialog;
    int escapes = 0;
    int enters = 0;
    void onEscape() override { ++escapes; }
    void onEnter() override { ++enters; }
};

QString writeStyleSheet(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("dialog.css"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(text);
    return path;
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, widget->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestQBaseDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { setScaleFactorForDpi(96); }
    void cleanup() { setScaleFactorForDpi(96); }

    void initDialogSetsUpFramelessShadow();
    void constructorLeavesDialogPlain();
    void escapeRejects();
    void returnAndEnterAccept_data();
    void returnAndEnterAccept();
    void overridingSubclassReceivesKeys();
    void otherKeysIgnored();
    void dragBySurfaceMoves();
    void dragFromChildDoesNotMove();
    void rightButtonDoesNotDrag();
    void execCenteredCentresOnParent();
    void execCenteredWithoutParentStays();
    void setWidgetPropertyRepolishes();
    void loadStyleScalesFontSizes();
};

void TestQBaseDialog::initDialogSetsUpFramelessShadow()
{
    QTemporaryDir dir;
    const QString path = writeStyleSheet(dir, "QDialog[dialog=\"true\"] { background: white; }");
    QVERIFY(!path.isEmpty());

    QBaseDialog dialog;
    dialog.initDialog(path);
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.windowType(), Qt::Tool);
    QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(dialog.property("dialog"), QVariant(true));
    QCOMPARE(dialog.styleSheet(), loadStyleSheet(path));

    auto *shadow = qobject_cast<QCustomShadowEffect *>(dialog.graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->blurRadius(), 8.0);
    QCOMPARE(shadow->distance(), 1.0);
    QCOMPARE(shadow->color(), QColor(0, 0, 0, 52));

    // The dialog owns the effect.
    QPointer<QGraphicsEffect> effect(shadow);
    {
        auto *owned = new QBaseDialog;
        owned->initDialog(path);
        effect = owned->graphicsEffect();
        QVERIFY(effect);
        delete owned;
    }
    QVERIFY(effect.isNull());
}

void TestQBaseDialog::constructorLeavesDialogPlain()
{
    QWidget parent;
    QBaseDialog dialog(&parent);
    QCOMPARE(dialog.parentWidget(), &parent);
    QVERIFY(!dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!dialog.graphicsEffect());
    QVERIFY(!dialog.property("dialog").isValid());
}

void TestQBaseDialog::escapeRejects()
{
    QBaseDialog dialog;
    dialog.initDialog(QString());
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
}

void TestQBaseDialog::returnAndEnterAccept_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestQBaseDialog::returnAndEnterAccept()
{
    QFETCH(int, key);
    QBaseDialog dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key(key));
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void TestQBaseDialog::overridingSubclassReceivesKeys()
{
    KeyDialog dialog;
    dialog.initDialog(QString());
    // A default button that the toolkit's dialog would press on Return.
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    button->setFocusPolicy(Qt::NoFocus);
    button->setDefault(true);
    QSignalSpy buttonClicked(button, &QPushButton::clicked);
    QSignalSpy finished(&dialog, &QDialog::finished);

    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    QCOMPARE(dialog.escapes, 1);
    QCOMPARE(dialog.enters, 2);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(buttonClicked.count(), 0);
    QVERIFY(dialog.isVisible());
}

void TestQBaseDialog::otherKeysIgnored()
{
    KeyDialog dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&dialog, &key);
    QVERIFY(!key.isAccepted());
    QCOMPARE(dialog.escapes + dialog.enters, 0);
    QCOMPARE(finished.count(), 0);
}

void TestQBaseDialog::dragBySurfaceMoves()
{
    QBaseDialog dialog;
    dialog.initDialog(QString());
    dialog.resize(240, 160);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    const QPoint pressAt = dialog.mapToGlobal(QPoint(20, 20));
    sendMouse(&dialog, QEvent::MouseButtonPress, pressAt, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, pressAt + QPoint(7, 3), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(dialog.pos(), start + QPoint(7, 3));
    sendMouse(&dialog, QEvent::MouseMove, pressAt + QPoint(45, -12), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(dialog.pos(), start + QPoint(45, -12));
    sendMouse(&dialog, QEvent::MouseButtonRelease, pressAt + QPoint(45, -12), Qt::LeftButton,
              Qt::NoButton);

    // After the release, moves no longer drag.
    sendMouse(&dialog, QEvent::MouseMove, pressAt + QPoint(90, 90), Qt::NoButton, Qt::LeftButton);
    QApplication::processEvents();
    QCOMPARE(dialog.pos(), start + QPoint(45, -12));
}

void TestQBaseDialog::dragFromChildDoesNotMove()
{
    QBaseDialog dialog;
    dialog.initDialog(QString());
    dialog.resize(240, 160);
    dialog.move(100, 100);
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    button->setGeometry(60, 60, 100, 40);
    QSignalSpy clicked(button, &QPushButton::clicked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    QWindow *window = dialog.windowHandle();
    const QPoint onButton = button->geometry().center();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, onButton);
    QTest::mouseMove(window, onButton + QPoint(6, 4));
    QTest::mouseMove(window, onButton + QPoint(12, 8));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, onButton + QPoint(12, 8));
    QApplication::processEvents();
    QCOMPARE(dialog.pos(), start);
    QCOMPARE(clicked.count(), 1);
}

void TestQBaseDialog::rightButtonDoesNotDrag()
{
    QBaseDialog dialog;
    dialog.initDialog(QString());
    dialog.resize(240, 160);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    const QPoint pressAt = dialog.mapToGlobal(QPoint(20, 20));
    sendMouse(&dialog, QEvent::MouseButtonPress, pressAt, Qt::RightButton, Qt::RightButton);
    sendMouse(&dialog, QEvent::MouseMove, pressAt + QPoint(30, 30), Qt::NoButton, Qt::RightButton);
    QApplication::processEvents();
    QCOMPARE(dialog.pos(), start);
}

void TestQBaseDialog::execCenteredCentresOnParent()
{
    QWidget parent;
    parent.resize(601, 401);
    parent.move(50, 60);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    QBaseDialog dialog(&parent);
    dialog.initDialog(QString());
    dialog.resize(200, 100);
    // (601 - 200) / 2 and (401 - 100) / 2, truncated.
    const QPoint expected = parent.mapToGlobal(QPoint(200, 150));

    QPoint shownAt;
    QTimer::singleShot(0, &dialog, [&] {
        shownAt = dialog.pos();
        dialog.accept();
    });
    QCOMPARE(dialog.execCentered(), int(QDialog::Accepted));
    QCOMPARE(shownAt, expected);
}

void TestQBaseDialog::execCenteredWithoutParentStays()
{
    QBaseDialog dialog;
    dialog.initDialog(QString());
    dialog.resize(200, 100);
    dialog.move(123, 145);

    bool ran = false;
    QPoint shownAt;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        shownAt = dialog.pos();
        dialog.reject();
    });
    QCOMPARE(dialog.execCentered(), int(QDialog::Rejected));
    QVERIFY(ran);
    QCOMPARE(shownAt, QPoint(123, 145));
}

void TestQBaseDialog::setWidgetPropertyRepolishes()
{
    QWidget window;
    auto *label = new QLabel(QStringLiteral("text"), &window);
    window.setStyleSheet(QStringLiteral("QLabel { color: #000000; } "
                                        "QLabel[state='warning'] { color: #ff0000; }"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));

    QBaseDialog::setWidgetProperty(label, "state", QStringLiteral("warning"));
    QCOMPARE(label->property("state").toString(), QStringLiteral("warning"));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));

    QBaseDialog::setWidgetProperty(label, "state", QStringLiteral("calm"));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));

    QBaseDialog::setWidgetProperty(nullptr, "state", QStringLiteral("warning"));
}

void TestQBaseDialog::loadStyleScalesFontSizes()
{
    QTemporaryDir dir;
    const QString path =
        writeStyleSheet(dir, "QLabel { font-size: 16px; }\nQPushButton { font-size:16px; }\n");
    QVERIFY(!path.isEmpty());
    setScaleFactorForDpi(120);

    QBaseDialog dialog;
    dialog.loadStyle(path);
    QCOMPARE(dialog.styleSheet(),
             QStringLiteral("QLabel { font-size: 20px; }\nQPushButton { font-size:16px; }\n"));

    dialog.loadStyle(dir.filePath(QStringLiteral("missing.css")));
    QVERIFY(dialog.styleSheet().isEmpty());
}

QTEST_MAIN(TestQBaseDialog)
#include "tst_qbasedialog.moc"
