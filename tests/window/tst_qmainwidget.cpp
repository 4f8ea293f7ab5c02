// The main window on a real engine: frameless move and resize through the application-wide
// mouse filter, the title bar's account events, where the menu and panels open, and the
// window's shape. Runs on a display without a window manager, so windows sit exactly where
// they are put.
#include "cglobal.h"
#include "csetting.h"
#include "qdtaproduct.h"
#include "qdtareply.h"
#include "qglobalsettings.h"
#include "qhttpclient.h"
#include "qmainwidget.h"
#include "quser.h"
#include "quserbutton.h"
#include "quserhelp.h"
#include "qwebbrowser.h"
#include "tpushbutton.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <json/json.h>

namespace {

// Where every test puts the window, with the size it is built with. The display must hold it
// with room around it for the drags and the other windows of the tests.
const QRect kHome(20, 40, 1200, 780);
const QSize kDisplayNeeded(1280, 900);
const QColor kPageColor(0x2E, 0x8B, 0x57);
const QColor kBorderColor(0xC6, 0xC6, 0xC6);

// Mouse input as the window system delivers it: the cursor is put where the event happens
// (the filter reads QCursor::pos()), presses go to the widget under the cursor, and while a
// button is held every move and the release go to the widget that took the press.
class Mouse
{
public:
    explicit Mouse(QWidget *fallback)
        : m_fallback(fallback)
    { }

    void press(const QPoint &global, Qt::MouseButton button = Qt::LeftButton)
    {
        m_grabber = widgetAt(global);
        m_buttons |= button;
        send(QEvent::MouseButtonPress, global, button);
    }
    // The second press of a double click, as the toolkit reports it.
    void doubleClickPress(const QPoint &global)
    {
        m_grabber = widgetAt(global);
        m_buttons |= Qt::LeftButton;
        send(QEvent::MouseButtonDblClick, global, Qt::LeftButton);
    }
    void release(const QPoint &global, Qt::MouseButton button = Qt::LeftButton)
    {
        m_buttons &= ~button;
        send(QEvent::MouseButtonRelease, global, button);
        m_grabber.clear();
    }
    void moveTo(const QPoint &global) { send(QEvent::MouseMove, global, Qt::NoButton); }
    // Press at from, one move to each point, release at the last.
    void drag(const QPoint &from, std::initializer_list<QPoint> steps)
    {
        press(from);
        QPoint last = from;
        for (const QPoint &step : steps) {
            moveTo(step);
            last = step;
        }
        release(last);
    }

private:
    QWidget *widgetAt(const QPoint &global) const
    {
        QWidget *widget = QApplication::widgetAt(global);
        return widget ? widget : m_fallback.data();
    }
    void send(QEvent::Type type, const QPoint &global, Qt::MouseButton button)
    {
        QCursor::setPos(global);
        QWidget *target = m_grabber ? m_grabber.data() : widgetAt(global);
        QMouseEvent event(type, target->mapFromGlobal(global), global, button, m_buttons,
                          Qt::NoModifier);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(target, &event);
        QCoreApplication::processEvents();
    }

    QPointer<QWidget> m_fallback;
    QPointer<QWidget> m_grabber;
    Qt::MouseButtons m_buttons;
};

// Counts the paints of a widget that cover all of it, as update() without arguments asks for.
class FullPaintCounter : public QObject
{
public:
    explicit FullPaintCounter(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint
            && static_cast<QPaintEvent *>(event)->region().contains(m_widget->rect()))
            ++count;
        return false;
    }

private:
    QWidget *m_widget;
};

QImage grabScreen(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

QString pageUrl(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("page.html"));
    QFile page(path);
    if (page.open(QIODevice::WriteOnly)) {
        page.write(QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0;background:%1\">"
                                  "</body></html>")
                       .arg(kPageColor.name())
                       .toUtf8());
    }
    return QUrl::fromLocalFile(path).toString();
}

} // namespace

class TestQMainWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Cursor shape over edges and corners.
    void cursorShapeByRegion_data();
    void cursorShapeByRegion();
    void cursorOverAnotherWindowOfTheProgram_data();
    void cursorOverAnotherWindowOfTheProgram();

    // Moving and resizing by dragging.
    void dragInEachRegion_data();
    void dragInEachRegion();
    void moveOnlyFromTopHundredRows_data();
    void moveOnlyFromTopHundredRows();
    void everyStepMovesByItsOwnDistance();
    void movingEdgesStopAboveMinimum();
    void fixedEdgesFollowToolkitMinimum();
    void regionFrozenWhileDragging();
    void releaseEndsDrag();
    void doubleClickDoesNotDrag();
    void doubleClickFromWindowSystemDoesNotDrag();
    void otherButtonsDoNotDrag();

    // Account events in the title bar.
    void signInAndOutSwapButtons();
    void avatarGoesToUserButton();
    void titleBarRepaintedAfterAccountEvents();

    // Menu and panels.
    void menuCentredUnderMenuButton();
    void panelsUnderButtonCentre_data();
    void panelsUnderButtonCentre();

    // Shape.
    void windowShape();
    void updateCheckedAfterStart();
    void formObjectNames();
    void borderAroundPage();

private:
    QFrame *frameTitle() const
    {
        return m_window->findChild<QFrame *>(QStringLiteral("frameTitle"));
    }
    QUserButton *userButton() const { return m_window->findChild<QUserButton *>(); }
    TPushButton *titleButton(const char *name) const
    {
        return m_window->findChild<TPushButton *>(QLatin1String(name));
    }
    QPoint at(int x, int y) const { return m_window->geometry().topLeft() + QPoint(x, y); }
    Qt::CursorShape shape() const { return m_window->cursor().shape(); }
    void showTitleBar();

    QTemporaryDir m_state;
    QMainWidget *m_window = nullptr;
    QSize m_builtSize;
    QSize m_builtMinimum;
    QRect m_shownGeometry;
    std::unique_ptr<Mouse> m_mouse;
    std::unique_ptr<QSignalSpy> m_updateChecked;
};

void TestQMainWidget::initTestCase()
{
    const QSize display = QGuiApplication::primaryScreen()->size();
    QVERIFY2(display.width() >= kDisplayNeeded.width()
                 && display.height() >= kDisplayNeeded.height(),
             "needs a display of at least 1280 x 900 (xvfb-run -s \"-screen 0 1600x1000x24\")");
    QVERIFY(m_state.isValid());
    // Fresh account state: a profile remembered by an earlier run would sign in at start.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_state.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_state.filePath(QStringLiteral("data"))));
    qRegisterMetaType<Json::Value>("QValue");
    qRegisterMetaType<ReplyPtr>("ReplyPtr");
    CGlobal::init();
    QUser::Instance()->setProduct(QDtaProduct(
        29, QStringLiteral("keystride_win"), QStringLiteral("Tapwise"), QStringLiteral("2.0.0.1")));
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"), pageUrl(m_state));
    // The version the window runs: the start-up check finds nothing newer and shows nothing.
    QFile update(m_state.filePath(QStringLiteral("update.txt")));
    QVERIFY(update.open(QIODevice::WriteOnly));
    update.write("2.0.0.1\n");
    update.close();
    QVERIFY(CSetting::setString(QStringLiteral("update"), QStringLiteral("url"),
                                QUrl::fromLocalFile(update.fileName()).toString()));
    QHttpClient::Instance()->start(3);

    m_window = new QMainWidget(nullptr);
    m_updateChecked.reset(new QSignalSpy(m_window->userHelp(), &QUserHelp::signal_updateChecked));
    m_builtSize = m_window->size();
    m_builtMinimum = m_window->minimumSize();
    QVERIFY(m_window->browser());
    QVERIFY(m_window->browser()->isReady());
    QSignalSpy loaded(m_window->browser(), &QWebBrowser::loading_finished);
    QVERIFY(m_window->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_shownGeometry = m_window->geometry();
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 30000);
    m_mouse.reset(new Mouse(m_window));
}

void TestQMainWidget::init()
{
    // Any drag left over ends, and the window stands at home with the size it was built with.
    m_mouse->release(QCursor::pos());
    m_window->setMinimumSize(m_builtMinimum);
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->geometry(), kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
    m_mouse->moveTo(at(600, 400));
    QCOMPARE(shape(), Qt::ArrowCursor);
}

void TestQMainWidget::cleanup()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != m_window && widget->isVisible())
            widget->close();
    }
    frameTitle()->setVisible(false);
}

void TestQMainWidget::cursorShapeByRegion_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("cursor");
    const int right = kHome.width() - 1;
    const int bottom = kHome.height() - 1;
    const int midX = kHome.width() / 2;
    const int midY = kHome.height() / 2;
    struct Edge
    {
        const char *name;
        QPoint edge;
        QPoint inward;
        Qt::CursorShape shape;
    };
    const Edge edges[] = {
        {"left(10)", {0, midY}, {1, 0}, Qt::SizeHorCursor},
        {"right(11)", {right, midY}, {-1, 0}, Qt::SizeHorCursor},
        {"top(12)", {midX, 0}, {0, 1}, Qt::SizeVerCursor},
        {"top-left(13)", {0, 0}, {1, 1}, Qt::SizeFDiagCursor},
        {"top-right(14)", {right, 0}, {-1, 1}, Qt::SizeBDiagCursor},
        {"bottom(15)", {midX, bottom}, {0, -1}, Qt::SizeVerCursor},
        {"bottom-left(16)", {0, bottom}, {1, -1}, Qt::SizeBDiagCursor},
        {"bottom-right(17)", {right, bottom}, {-1, -1}, Qt::SizeFDiagCursor},
    };
    for (const Edge &edge : edges) {
        // The band is the edge pixel and the three next to it; the fourth is inside.
        for (int depth = 0; depth <= 3; ++depth) {
            QTest::addRow("%s at depth %d", edge.name, depth)
                << edge.edge + edge.inward * depth << int(edge.shape);
        }
        QTest::addRow("%s at depth 4", edge.name)
            << edge.edge + edge.inward * 4 << int(Qt::ArrowCursor);
        QTest::addRow("%s outside", edge.name) << edge.edge - edge.inward * 5 << int(edge.shape);
    }
    // A corner band is where both edge bands meet: one pixel past either is an edge only.
    QTest::addRow("top-left, x one further in") << QPoint(4, 3) << int(Qt::SizeVerCursor);
    QTest::addRow("top-left, y one further in") << QPoint(3, 4) << int(Qt::SizeHorCursor);
    QTest::addRow("bottom-right, x one further in")
        << QPoint(right - 4, bottom - 3) << int(Qt::SizeVerCursor);
    QTest::addRow("bottom-right, y one further in")
        << QPoint(right - 3, bottom - 4) << int(Qt::SizeHorCursor);
    QTest::addRow("middle") << QPoint(midX, midY) << int(Qt::ArrowCursor);
    QTest::addRow("page title area") << QPoint(midX, 50) << int(Qt::ArrowCursor);
}

void TestQMainWidget::cursorShapeByRegion()
{
    QFETCH(QPoint, point);
    QFETCH(int, cursor);
    m_mouse->moveTo(at(point.x(), point.y()));
    QCOMPARE(int(shape()), cursor);
    // Back in the middle the arrow returns.
    m_mouse->moveTo(at(600, 400));
    QCOMPARE(shape(), Qt::ArrowCursor);
}

void TestQMainWidget::cursorOverAnotherWindowOfTheProgram_data()
{
    QTest::addColumn<QRect>("otherWindow");
    QTest::addColumn<int>("cursor");
    // The main window spans x 20..1219 and y 40..819.
    QTest::newRow("right of it") << QRect(1230, 300, 40, 200) << int(Qt::SizeHorCursor);
    QTest::newRow("below it") << QRect(500, 830, 200, 60) << int(Qt::SizeVerCursor);
    QTest::newRow("beyond bottom-right") << QRect(1230, 830, 40, 60) << int(Qt::SizeFDiagCursor);
    QTest::newRow("beyond top-right") << QRect(1230, 0, 40, 30) << int(Qt::SizeBDiagCursor);
    QTest::newRow("over its middle") << QRect(500, 300, 200, 200) << int(Qt::ArrowCursor);
}

void TestQMainWidget::cursorOverAnotherWindowOfTheProgram()
{
    QFETCH(QRect, otherWindow);
    QFETCH(int, cursor);
    QWidget other;
    other.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    other.setGeometry(otherWindow);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTRY_COMPARE(other.geometry(), otherWindow);
    // Start from a shape the expected one differs from.
    m_mouse->moveTo(at(0, 400));
    QCOMPARE(shape(), Qt::SizeHorCursor);
    if (cursor == Qt::SizeHorCursor) {
        m_mouse->moveTo(at(600, 400));
        QCOMPARE(shape(), Qt::ArrowCursor);
    }

    const QPoint point = otherWindow.center();
    m_mouse->moveTo(point);
    QCOMPARE(QApplication::widgetAt(point), &other);
    QCOMPARE(int(shape()), cursor);
}

void TestQMainWidget::dragInEachRegion_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QRect>("expected");
    // Every drag is by (+40, +30): the dragged edges follow it, the others stay.
    const int r = kHome.width() - 2;
    const int b = kHome.height() - 2;
    QTest::newRow("move(0)") << QPoint(600, 50) << kHome.translated(40, 30);
    QTest::newRow("left(10)") << QPoint(1, 400) << kHome.adjusted(40, 0, 0, 0);
    QTest::newRow("right(11)") << QPoint(r, 400) << kHome.adjusted(0, 0, 40, 0);
    QTest::newRow("top(12)") << QPoint(600, 1) << kHome.adjusted(0, 30, 0, 0);
    QTest::newRow("top-left(13)") << QPoint(1, 1) << kHome.adjusted(40, 30, 0, 0);
    QTest::newRow("top-right(14)") << QPoint(r, 1) << kHome.adjusted(0, 30, 40, 0);
    QTest::newRow("bottom(15)") << QPoint(600, b) << kHome.adjusted(0, 0, 0, 30);
    QTest::newRow("bottom-left(16)") << QPoint(1, b) << kHome.adjusted(40, 0, 0, 30);
    QTest::newRow("bottom-right(17)") << QPoint(r, b) << kHome.adjusted(0, 0, 40, 30);
}

void TestQMainWidget::dragInEachRegion()
{
    QFETCH(QPoint, start);
    QFETCH(QRect, expected);
    const QPoint from = at(start.x(), start.y());
    m_mouse->moveTo(from);
    m_mouse->drag(from, {from + QPoint(40, 30)});
    QCOMPARE(m_window->geometry(), expected);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), expected);
}

void TestQMainWidget::moveOnlyFromTopHundredRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("moves");
    QTest::newRow("row 4, just below the top band") << 4 << true;
    QTest::newRow("row 100") << 100 << true;
    QTest::newRow("row 101") << 101 << false;
    QTest::newRow("row 400") << 400 << false;
}

void TestQMainWidget::moveOnlyFromTopHundredRows()
{
    QFETCH(int, row);
    QFETCH(bool, moves);
    const QPoint from = at(600, row);
    m_mouse->moveTo(from);
    QCOMPARE(shape(), Qt::ArrowCursor);
    m_mouse->drag(from, {from + QPoint(-70, 55)});
    const QRect expected = moves ? kHome.translated(-70, 55) : kHome;
    QCOMPARE(m_window->geometry(), expected);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), expected);
}

void TestQMainWidget::everyStepMovesByItsOwnDistance()
{
    const QPoint from = at(300, 20);
    m_mouse->moveTo(from);
    m_mouse->press(from);
    const QPoint steps[] = {{5, 0}, {12, 7}, {-30, 4}, {1, -1}, {0, 0}};
    QPoint cursor = from;
    QPoint expected = kHome.topLeft();
    for (const QPoint &step : steps) {
        cursor += step;
        expected += step;
        m_mouse->moveTo(cursor);
        QCOMPARE(m_window->pos(), expected);
        QCOMPARE(m_window->size(), kHome.size());
    }
    m_mouse->release(cursor);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), QRect(expected, kHome.size()));
}

void TestQMainWidget::movingEdgesStopAboveMinimum()
{
    m_window->setMinimumSize(1000, 700);
    const int rightEdge = kHome.right();
    const int bottomEdge = kHome.bottom();

    // Left edge: shrinks while the width stays above the minimum, the right edge fixed.
    QPoint cursor = at(1, 400);
    m_mouse->moveTo(cursor);
    m_mouse->press(cursor);
    m_mouse->moveTo(cursor += QPoint(150, 0));
    QCOMPARE(m_window->geometry(), kHome.adjusted(150, 0, 0, 0));
    m_mouse->moveTo(cursor += QPoint(100, 0)); // 950: refused
    QCOMPARE(m_window->geometry(), kHome.adjusted(150, 0, 0, 0));
    m_mouse->moveTo(cursor += QPoint(49, 0)); // 1001: still above
    QCOMPARE(m_window->geometry(), kHome.adjusted(199, 0, 0, 0));
    QCOMPARE(m_window->width(), 1001);
    m_mouse->moveTo(cursor += QPoint(1, 0)); // exactly the minimum: refused
    QCOMPARE(m_window->geometry(), kHome.adjusted(199, 0, 0, 0));
    QCOMPARE(m_window->geometry().right(), rightEdge);
    m_mouse->release(cursor);

    // Top edge, likewise, with the bottom edge fixed.
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
    cursor = at(600, 2);
    m_mouse->moveTo(cursor);
    m_mouse->press(cursor);
    m_mouse->moveTo(cursor += QPoint(0, 50));
    QCOMPARE(m_window->geometry(), kHome.adjusted(0, 50, 0, 0));
    m_mouse->moveTo(cursor += QPoint(0, 40)); // 690: refused
    QCOMPARE(m_window->geometry(), kHome.adjusted(0, 50, 0, 0));
    m_mouse->moveTo(cursor += QPoint(0, 30)); // exactly the minimum: refused
    QCOMPARE(m_window->geometry(), kHome.adjusted(0, 50, 0, 0));
    QCOMPARE(m_window->geometry().bottom(), bottomEdge);
    m_mouse->release(cursor);

    // A corner that moves the window refuses the step when either side would not stay above.
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
    cursor = at(0, 0);
    m_mouse->moveTo(cursor);
    m_mouse->press(cursor);
    m_mouse->moveTo(cursor += QPoint(10, 90)); // height 690: refused
    QCOMPARE(m_window->geometry(), kHome);
    m_mouse->moveTo(cursor += QPoint(10, 10)); // 1190 × 770
    QCOMPARE(m_window->geometry(), kHome.adjusted(10, 10, 0, 0));
    m_mouse->release(cursor);
}

void TestQMainWidget::fixedEdgesFollowToolkitMinimum()
{
    m_window->setMinimumSize(1000, 700);
    // Right edge: exactly the distance, left edge fixed.
    QPoint from = at(kHome.width() - 1, 400);
    m_mouse->moveTo(from);
    m_mouse->drag(from, {from + QPoint(50, 3)});
    QCOMPARE(m_window->geometry(), kHome.adjusted(0, 0, 50, 0));

    // Bottom edge: exactly the distance, top edge fixed.
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
    from = at(600, kHome.height() - 3);
    m_mouse->moveTo(from);
    m_mouse->drag(from, {from + QPoint(-5, 60)});
    QCOMPARE(m_window->geometry(), kHome.adjusted(0, 0, 0, 60));

    // Shrinking past the minimum through a fixed edge stops at the minimum.
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
    from = at(kHome.width() - 2, kHome.height() - 2);
    m_mouse->moveTo(from);
    m_mouse->drag(from, {from + QPoint(-300, -200)});
    QCOMPARE(m_window->geometry(), QRect(kHome.topLeft(), QSize(1000, 700)));
}

void TestQMainWidget::regionFrozenWhileDragging()
{
    m_window->setMinimumSize(1000, 0);
    QPoint cursor = at(2, 400);
    m_mouse->moveTo(cursor);
    QCOMPARE(shape(), Qt::SizeHorCursor);
    m_mouse->press(cursor);
    // Width 900 is refused: the window stays while the cursor goes deep inside it.
    m_mouse->moveTo(cursor += QPoint(300, 0));
    QCOMPARE(m_window->geometry(), kHome);
    QCOMPARE(shape(), Qt::SizeHorCursor);
    // Still the left edge: coming back widens the window to the left.
    m_mouse->moveTo(cursor += QPoint(-10, 0));
    QCOMPARE(m_window->geometry(), kHome.adjusted(-10, 0, 0, 0));
    QCOMPARE(shape(), Qt::SizeHorCursor);
    m_mouse->release(cursor);

    // Once released the region follows the cursor again.
    m_mouse->moveTo(cursor + QPoint(1, 0));
    QCOMPARE(shape(), Qt::ArrowCursor);
}

void TestQMainWidget::releaseEndsDrag()
{
    const QPoint from = at(600, 30);
    m_mouse->moveTo(from);
    m_mouse->drag(from, {from + QPoint(20, 10)});
    const QRect moved = kHome.translated(20, 10);
    QCOMPARE(m_window->geometry(), moved);
    m_mouse->moveTo(from + QPoint(80, 40));
    m_mouse->moveTo(from + QPoint(90, 45));
    QCOMPARE(m_window->geometry(), moved);

    // Any button's release ends it.
    m_mouse->press(from);
    m_mouse->release(from, Qt::RightButton);
    m_mouse->moveTo(from + QPoint(50, 50));
    QCOMPARE(m_window->geometry(), moved);
    m_mouse->release(from + QPoint(50, 50));
    QTRY_COMPARE(m_window->windowHandle()->geometry(), moved);
}

void TestQMainWidget::doubleClickDoesNotDrag()
{
    const QPoint from = at(600, 30);
    m_mouse->moveTo(from);
    m_mouse->press(from);
    m_mouse->release(from);
    m_mouse->doubleClickPress(from);
    m_mouse->moveTo(from + QPoint(40, 30));
    m_mouse->moveTo(from + QPoint(60, 50));
    QCOMPARE(m_window->geometry(), kHome);
    m_mouse->release(from + QPoint(60, 50));
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
}

void TestQMainWidget::doubleClickFromWindowSystemDoesNotDrag()
{
    // Down the window system's path the toolkit turns the second press into a double click
    // itself, and its window object sees a press before the widget sees the double click.
    QWindow *window = m_window->windowHandle();
    static int timestamp = 1000000;
    timestamp += 100000; // far from any earlier press: no accidental double click
    const auto send = [&](QEvent::Type type, const QPoint &global, Qt::MouseButtons buttons,
                          Qt::MouseButton button) {
        QCursor::setPos(global);
        qt_handleMouseEvent(window, window->mapFromGlobal(global), global, buttons, button, type,
                            Qt::NoModifier, timestamp += 20);
        QCoreApplication::processEvents();
    };
    const QPoint local(600, 30);

    // A held press drags along this path.
    QPoint from = at(local.x(), local.y());
    send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseButtonRelease, from + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_window->geometry(), kHome.translated(40, 30));
    m_window->setGeometry(kHome);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);

    timestamp += 100000;
    from = at(local.x(), local.y());
    send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, from + QPoint(60, 50), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_window->geometry(), kHome);
    send(QEvent::MouseButtonRelease, from + QPoint(60, 50), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(m_window->windowHandle()->geometry(), kHome);
}

void TestQMainWidget::otherButtonsDoNotDrag()
{
    const QPoint from = at(600, 30);
    m_mouse->moveTo(from);
    m_mouse->press(from, Qt::RightButton);
    m_mouse->moveTo(from + QPoint(40, 30));
    m_mouse->release(from + QPoint(40, 30), Qt::RightButton);
    m_mouse->press(from, Qt::MiddleButton);
    m_mouse->moveTo(from + QPoint(40, 30));
    m_mouse->release(from + QPoint(40, 30), Qt::MiddleButton);
    QCOMPARE(m_window->geometry(), kHome);
}

void TestQMainWidget::signInAndOutSwapButtons()
{
    QFrame *title = frameTitle();
    QUserButton *user = userButton();
    TPushButton *login = titleButton("BtnLogin");
    QVERIFY(user);
    QVERIFY(login);
    QVERIFY(!QUser::Instance()->isLogin());
    QVERIFY(user->isHidden());
    QVERIFY(!login->isHidden());
    QMap<QString, bool> start;
    const QList<QWidget *> items = title->findChildren<QWidget *>();
    for (QWidget *item : items)
        start.insert(item->objectName() + QLatin1Char('@') + item->metaObject()->className(),
                     item->isVisibleTo(title));

    QSignalSpy signedIn(m_window->userHelp(), &QUserHelp::signal_login);
    QString problem;
    QVERIFY2(m_window->userHelp()->signIn(QStringLiteral("小明"), QString(), &problem),
             qPrintable(problem));
    QCOMPARE(signedIn.count(), 1);
    QVERIFY(user->isVisibleTo(title));
    QVERIFY(!login->isVisibleTo(title));
    QVERIFY(titleButton("BtnCustomer")->isVisibleTo(title));
    QVERIFY(titleButton("BtnMenu")->isVisibleTo(title));
    bool named = false;
    for (QLabel *label : user->findChildren<QLabel *>())
        named = named || label->text() == QStringLiteral("小明");
    QVERIFY(named);
    // The bar itself stays hidden.
    QVERIFY(title->isHidden());

    // A second sign-in with another name replaces the name.
    emit m_window->userHelp()->signal_login(QStringLiteral("Ada"));
    bool renamed = false;
    for (QLabel *label : user->findChildren<QLabel *>())
        renamed = renamed || label->text() == QStringLiteral("Ada");
    QVERIFY(renamed);

    m_window->userHelp()->logout();
    QVERIFY(!QUser::Instance()->isLogin());
    QVERIFY(user->isHidden());
    QVERIFY(!login->isHidden());
    for (QWidget *item : items)
        QCOMPARE(
            item->isVisibleTo(title),
            start.value(item->objectName() + QLatin1Char('@') + item->metaObject()->className()));
}

void TestQMainWidget::avatarGoesToUserButton()
{
    QUserButton *user = userButton();
    QLabel *avatar = nullptr;
    for (QLabel *label : user->findChildren<QLabel *>())
        if (label->styleSheet().contains(QStringLiteral("label.user.avatar.png")))
            avatar = label;
    QVERIFY(avatar);

    QPixmap picture(64, 40);
    picture.fill(QColor(200, 30, 40));
    emit m_window->userHelp()->signal_avatar(picture);
    QCOMPARE(avatar->pixmap(Qt::ReturnByValue).toImage(), picture.toImage());
    QVERIFY(avatar->hasScaledContents());

    // Signing in for real delivers the library's picture for the name.
    QVERIFY(m_window->userHelp()->signIn(QStringLiteral("Grace"), QString()));
    const QPixmap signedIn = avatar->pixmap(Qt::ReturnByValue);
    QVERIFY(!signedIn.isNull());
    QVERIFY(signedIn.toImage() != picture.toImage());
    m_window->userHelp()->logout();
}

void TestQMainWidget::showTitleBar()
{
    frameTitle()->setVisible(true);
    QTRY_VERIFY(frameTitle()->isVisible());
    QTRY_VERIFY(frameTitle()->width() > 1000);
    QTRY_VERIFY(titleButton("BtnMenu")->x() > 0);
}

void TestQMainWidget::titleBarRepaintedAfterAccountEvents()
{
    // The bar is shown for the test so that its paints can be seen. Every event comes in a
    // state where it changes nothing visible by itself (and any repaint in this window repaints
    // the whole bar), so the bar's only paint is the one the window asks for later.
    showTitleBar();
    FullPaintCounter paints(frameTitle());
    frameTitle()->update();
    QTRY_VERIFY(paints.count > 0);
    QUserHelp *help = m_window->userHelp();
    QPixmap picture(30, 30);
    picture.fill(Qt::blue);

    QTest::qWait(300); // timers of earlier steps run out
    paints.count = 0;
    emit help->signal_logout(); // already signed out
    QCOMPARE(paints.count, 0);
    QTRY_VERIFY(paints.count > 0);

    QTest::qWait(300);
    paints.count = 0;
    emit help->signal_avatar(picture); // the user button is hidden
    QCOMPARE(paints.count, 0);
    QTRY_VERIFY(paints.count > 0);

    emit help->signal_login(QStringLiteral("Lin"));
    QTest::qWait(300);
    // The same name again, with the user button's own repaint held back.
    userButton()->setUpdatesEnabled(false);
    paints.count = 0;
    emit help->signal_login(QStringLiteral("Lin"));
    QCOMPARE(paints.count, 0);
    QTRY_VERIFY(paints.count > 0);
    userButton()->setUpdatesEnabled(true);
    emit help->signal_logout();
}

void TestQMainWidget::menuCentredUnderMenuButton()
{
    showTitleBar();
    QFrame *title = frameTitle();
    TPushButton *button = titleButton("BtnMenu");
    QMenu *menu = nullptr;
    QRect opened;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, [&] {
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (popup && popup->isVisible()) {
            menu = popup;
            opened = popup->geometry();
            popup->close();
        }
    });
    closer.start();
    const QPoint click = button->mapToGlobal(button->rect().center());
    m_mouse->moveTo(click);
    m_mouse->press(click);
    m_mouse->release(click); // runs the menu until the timer closes it
    closer.stop();

    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("kitMenu"));
    const int buttonLeft = button->mapToGlobal(QPoint(0, 0)).x();
    // Centred: the menu's middle is the button's middle, but for integer halving.
    QVERIFY2(qAbs((opened.left() * 2 + opened.width()) - (buttonLeft * 2 + button->width())) <= 1,
             qPrintable(QStringLiteral("menu %1+%2, button %3+%4")
                            .arg(opened.left())
                            .arg(opened.width())
                            .arg(buttonLeft)
                            .arg(button->width())));
    QCOMPARE(opened.top(), title->mapToGlobal(QPoint(0, 0)).y() + title->height());
    QCOMPARE(opened.top(), m_window->y() + 1 + 46);
}

void TestQMainWidget::panelsUnderButtonCentre_data()
{
    QTest::addColumn<bool>("user");
    QTest::newRow("user panel") << true;
    QTest::newRow("customer panel") << false;
}

void TestQMainWidget::panelsUnderButtonCentre()
{
    QFETCH(bool, user);
    if (user)
        emit m_window->userHelp()->signal_login(QStringLiteral("Lin"));
    showTitleBar();
    QFrame *title = frameTitle();
    QWidget *button = user ? static_cast<QWidget *>(userButton()) : titleButton("BtnCustomer");
    QTRY_VERIFY(button->isVisible() && button->width() > 0);

    const QPoint click = button->mapToGlobal(button->rect().center());
    m_mouse->moveTo(click);
    m_mouse->press(click);
    m_mouse->release(click);

    const QString name = user ? QStringLiteral("kitUserPanel") : QStringLiteral("kitCustomerPanel");
    QWidget *panel = nullptr;
    QTRY_VERIFY((panel = [&]() -> QWidget * {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->objectName() == name && widget->isVisible())
                return widget;
        return nullptr;
    }()));
    // The panel's card hangs from the point: its top on the bar's lower edge, its middle under
    // the button's middle.
    QFrame *card = panel->findChild<QFrame *>(QStringLiteral("kitCard"));
    QVERIFY(card);
    const QRect cardOnScreen(card->mapToGlobal(QPoint(0, 0)), card->size());
    const int buttonLeft = button->mapToGlobal(QPoint(0, 0)).x();
    const int expectedX = buttonLeft + button->width() / 2;
    QVERIFY2(qAbs(cardOnScreen.left() + cardOnScreen.width() / 2 - expectedX) <= 0,
             qPrintable(QStringLiteral("card %1+%2, point %3")
                            .arg(cardOnScreen.left())
                            .arg(cardOnScreen.width())
                            .arg(expectedX)));
    QCOMPARE(cardOnScreen.top(), title->mapToGlobal(QPoint(0, 0)).y() + title->height());
    panel->close();
    if (user)
        emit m_window->userHelp()->signal_logout();
}

void TestQMainWidget::windowShape()
{
    QCOMPARE(m_builtSize, QSize(1200, 780));
    QCOMPARE(m_shownGeometry.size(), QSize(1200, 780));
    QVERIFY(m_window->isWindow());
    QCOMPARE(m_window->windowFlags() & ~Qt::WindowType_Mask,
             Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    QCOMPARE(m_window->windowType(), Qt::Window);
    QVERIFY(frameTitle()->isHidden());
    QVERIFY(m_window->findChild<QFrame *>(QStringLiteral("frameBottom"))->isHidden());
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("labelVersion"))->text(),
             QStringLiteral("版本号：v2.0.0.1"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tapwise"));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("labelTitle"))->text(),
             QStringLiteral("Tapwise"));
    // The logo in window-icon sizes: never the 1024-pixel picture, which would be sent whole.
    // Set after the page has loaded, not by the constructor.
    QTRY_COMPARE(m_window->windowIcon().availableSizes().size(), 6);
    const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
    QCOMPARE(iconSizes.size(), 6);
    for (const QSize &size : iconSizes) {
        QVERIFY(size.width() <= 256);
        QCOMPARE(m_window->windowIcon().pixmap(size).size(), size);
    }
}

// The check waits for the page, but it still comes once by itself.
void TestQMainWidget::updateCheckedAfterStart()
{
    QTRY_COMPARE(m_updateChecked->count(), 1);
    QCOMPARE(m_updateChecked->at(0).at(0).toBool(), false);
    QCOMPARE(m_updateChecked->at(0).at(1).toString(), QStringLiteral("2.0.0.1"));
}

void TestQMainWidget::formObjectNames()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("QMainWidgetClass"));
    const auto child = [this](const char *name) {
        return m_window->findChild<QObject *>(QLatin1String(name));
    };
    QCOMPARE(m_window->layout(), child("horizontalLayout"));
    auto *frameMain = qobject_cast<QFrame *>(child("frameMain"));
    QVERIFY(frameMain);
    QCOMPARE(frameMain->layout(), child("verticalLayout"));
    QCOMPARE(frameTitle()->parentWidget(), frameMain);
    QCOMPARE(frameTitle()->layout(), child("horizontalLayout_2"));
    const char *titleLayouts[] = {"horizontalLayout_72", "horizontalLayout_76", "hLayoutTitle",
                                  "horizontalLayout_74"};
    for (const char *name : titleLayouts)
        QVERIFY2(qobject_cast<QHBoxLayout *>(child(name)), name);
    const char *titleWidgets[] = {"labelIco", "labelTitle", "btnMin",      "btnMax",
                                  "btnClose", "BtnLogin",   "BtnCustomer", "BtnMenu"};
    for (const char *name : titleWidgets) {
        auto *widget = qobject_cast<QWidget *>(child(name));
        QVERIFY2(widget && widget->parentWidget() == frameTitle(), name);
    }
    QVERIFY(qobject_cast<QPushButton *>(child("btnMax"))->isCheckable());
    auto *browserFrame = qobject_cast<QFrame *>(child("frameBrowser"));
    auto *bottom = qobject_cast<QFrame *>(child("frameBottom"));
    QVERIFY(browserFrame && browserFrame->parentWidget() == frameMain);
    QVERIFY(bottom && bottom->parentWidget() == frameMain);
    auto *version = qobject_cast<QLabel *>(child("labelVersion"));
    QVERIFY(version && version->parentWidget() == bottom);
    QCOMPARE(version->geometry(), QRect(10, 6, 160, 20));

    // The account buttons, left to right: user, login, customer service, menu.
    auto *accounts = qobject_cast<QHBoxLayout *>(child("hLayoutTitle"));
    QCOMPARE(accounts->count(), 4);
    QCOMPARE(accounts->itemAt(0)->widget(), userButton());
    QCOMPARE(accounts->itemAt(1)->widget()->objectName(), QStringLiteral("BtnLogin"));
    QCOMPARE(accounts->itemAt(2)->widget()->objectName(), QStringLiteral("BtnCustomer"));
    QCOMPARE(accounts->itemAt(3)->widget()->objectName(), QStringLiteral("BtnMenu"));
    const auto text = [this](const char *name) {
        return titleButton(name)->findChild<QLabel *>(QStringLiteral("buttonText"))->text();
    };
    QCOMPARE(text("BtnLogin"), QStringLiteral("登录"));
    QCOMPARE(text("BtnCustomer"), QStringLiteral("客服"));
    QCOMPARE(text("BtnMenu"), QStringLiteral("菜单"));
}

void TestQMainWidget::borderAroundPage()
{
    const QRect area = m_window->geometry();
    const QPoint inside(area.width() / 2, area.height() / 2);
    // The page shows once the engine has composed a frame.
    QTRY_COMPARE_WITH_TIMEOUT(QColor(grabScreen(area).pixel(inside)), kPageColor, 20000);
    const QImage shot = grabScreen(area);
    const int right = area.width() - 1;
    const int bottom = area.height() - 1;
    const QPoint border[] = {{0, 0},          {right, 0},          {0, bottom},
                             {right, bottom}, {right, inside.y()}, {inside.x(), bottom},
                             {0, inside.y()}, {inside.x(), 0}};
    for (const QPoint &point : border)
        QVERIFY2(QColor(shot.pixel(point)) == kBorderColor,
                 qPrintable(QStringLiteral("(%1, %2) is %3")
                                .arg(point.x())
                                .arg(point.y())
                                .arg(QColor(shot.pixel(point)).name())));
    // One pixel only: the page starts right inside it.
    const QPoint page[] = {{1, 1},
                           {right - 1, inside.y()},
                           {inside.x(), bottom - 1},
                           {1, inside.y()},
                           {inside.x(), 1}};
    for (const QPoint &point : page)
        QVERIFY2(QColor(shot.pixel(point)) == kPageColor,
                 qPrintable(QStringLiteral("(%1, %2) is %3")
                                .arg(point.x())
                                .arg(point.y())
                                .arg(QColor(shot.pixel(point)).name())));
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    TestQMainWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qmainwidget.moc"
