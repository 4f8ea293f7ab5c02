// The login form's look follows the compositor: a soft shadow in a translucent margin while one
// runs, a plain bordered card otherwise, whose edges must not show black on the screen. A
// compositor is stood in for by taking the selection every compositing manager owns, which is
// what the program watches; the real look with a compositor is in docs/screenshots.
#include "basekittest.h"
#include "qdtaproduct.h"
#include "quser.h"
#include "quserhelp.h"

#include <QApplication>
#include <QDialog>
#include <QGraphicsDropShadowEffect>
#include <QScreen>
#include <QX11Info>
#include <QtTest>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

namespace {

/// Owns _NET_WM_CM_S<screen> while it lives, as a compositing manager does.
class CompositorStandIn
{
public:
    CompositorStandIn()
    {
        xcb_connection_t *connection = QX11Info::connection();
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(QX11Info::appScreen());
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
        m_window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_window, QX11Info::appRootWindow(), 0,
                          0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0,
                          nullptr);
        xcb_set_selection_owner(connection, m_window, atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE),
                                XCB_CURRENT_TIME);
        free(atom);
        xcb_flush(connection);
    }
    ~CompositorStandIn()
    {
        xcb_destroy_window(QX11Info::connection(), m_window);
        xcb_flush(QX11Info::connection());
    }

private:
    xcb_window_t m_window = 0;
};

/// Runs step on the login form once it is up and painted, while login() waits in its loop.
void whenLoginFormShows(const std::function<void(QDialog *)> &step)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("kitLoginDialog")
            || !QTest::qWaitForWindowExposed(dialog))
            return;
        poll->stop();
        poll->deleteLater();
        step(dialog);
    });
    poll->start();
}

/// Pixels along the outermost ring of the rectangle that are near black.
int blackEdgePixels(const QImage &image)
{
    int black = 0;
    const auto count = [&](int x, int y) {
        black += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    };
    for (int x = 0; x < image.width(); ++x) {
        count(x, 0);
        count(x, image.height() - 1);
    }
    for (int y = 1; y < image.height() - 1; ++y) {
        count(0, y);
        count(image.width() - 1, y);
    }
    return black;
}

} // namespace

class TestLoginFormLook : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X11 display (run under xvfb-run)");
        QVERIFY2(!QX11Info::isCompositingManagerRunning(),
                 "a compositing manager runs on this display; the test needs a plain one");
    }

    void init()
    {
        BasekitTest::resetState();
        QUser::Instance()->setProduct(QDtaProduct(29, QStringLiteral("keystride_win"),
                                                  QStringLiteral("Tapwise"),
                                                  QStringLiteral("2.0.0.1")));
    }

    void formFollowsTheCompositor_data()
    {
        QTest::addColumn<bool>("composing");
        QTest::newRow("plain X11") << false;
        QTest::newRow("compositor") << true;
    }

    void formFollowsTheCompositor()
    {
        QFETCH(bool, composing);
        std::unique_ptr<CompositorStandIn> compositor;
        if (composing)
            compositor = std::make_unique<CompositorStandIn>();
        QTRY_COMPARE(QX11Info::isCompositingManagerRunning(), composing);

        bool translucent = !composing;
        bool shadowed = !composing;
        int margin = -1;
        int blackEdges = -1;
        QSize size;
        whenLoginFormShows([&](QDialog *dialog) {
            translucent = dialog->testAttribute(Qt::WA_TranslucentBackground);
            auto *card = dialog->findChild<QWidget *>(QStringLiteral("kitCard"));
            shadowed = card && qobject_cast<QGraphicsDropShadowEffect *>(card->graphicsEffect());
            margin = card ? card->x() : -1;
            // What the X server shows: only a real compositor would blend a translucent margin.
            QTest::qWait(200);
            const QRect frame = dialog->frameGeometry();
            size = frame.size();
            const QImage shown =
                dialog->screen()
                    ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                    .toImage();
            blackEdges = blackEdgePixels(shown);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QUserHelp help(nullptr, nullptr);
        QVERIFY(!help.login());

        QCOMPARE(translucent, composing);
        QCOMPARE(shadowed, composing);
        QCOMPARE(margin, composing ? 14 : 0);
        QVERIFY(size.width() > 100 && size.height() > 100);
        if (!composing)
            QCOMPARE(blackEdges, 0);
        // The next test must see a plain display again.
        compositor.reset();
        QTRY_VERIFY(!QX11Info::isCompositingManagerRunning());
    }
};

QTEST_MAIN(TestLoginFormLook)
#include "tst_loginformlook.moc"
