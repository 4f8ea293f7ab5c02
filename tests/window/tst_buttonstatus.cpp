// The "status" property of the push and tool buttons as the mouse enters and leaves and as
// they are enabled, disabled and checked; the push button's style template.
#include "qmainwidget.h"
#include "stylesheet.h"
#include "tpushbutton.h"
#include "ttoolbutton.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QtTest>

namespace {

void sendEnter(QWidget *widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(widget, &event);
}

void sendLeave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

QString statusOf(const QObject *object)
{
    return object->property("status").toString();
}

QLabel *label(QWidget *button, const char *name)
{
    return button->findChild<QLabel *>(QString::fromLatin1(name));
}

QColor textColour(QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestButtonStatus : public QObject
{
    Q_OBJECT

private slots:
    void init() { setScaleFactorForDpi(96); }

    void noStatusUntilFirstChange();
    void pushButtonHover();
    void disabledPushButtonKeepsStatus();
    void checkedPushButtonKeepsStatusOnLeave();
    void statusReachesLabels();
    void enableRestoresNormal();
    void toolButtonHover();
    void toolButtonSetCheckedNotCheckable();
    void toolButtonSetCheckedCheckable();
    void titleBarTemplateColours();
    void pushButtonSizes();
};

void TestButtonStatus::noStatusUntilFirstChange()
{
    TPushButton push;
    TToolButton tool;
    for (QWidget *button : {static_cast<QWidget *>(&push), static_cast<QWidget *>(&tool)}) {
        QVERIFY(!button->property("status").isValid());
        QVERIFY(label(button, "buttonIcon"));
        QVERIFY(label(button, "buttonText"));
        QCOMPARE(label(button, "buttonText")->text(), QStringLiteral("Button"));
        QVERIFY(!label(button, "buttonText")->property("status").isValid());
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    }
    QVERIFY(push.findChild<QFrame *>(QStringLiteral("buttonMain")));
}

void TestButtonStatus::pushButtonHover()
{
    TPushButton button;
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));
}

void TestButtonStatus::disabledPushButtonKeepsStatus()
{
    TPushButton button;
    button.disable();
    QVERIFY(!button.isEnabled());
    QCOMPARE(statusOf(&button), QStringLiteral("disabled"));
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("disabled"));
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("disabled"));
    QCOMPARE(statusOf(label(&button, "buttonText")), QStringLiteral("disabled"));
}

void TestButtonStatus::checkedPushButtonKeepsStatusOnLeave()
{
    TPushButton button;
    button.setCheckable(true);
    button.setChecked(true);
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));

    button.setChecked(false);
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));
}

void TestButtonStatus::statusReachesLabels()
{
    TPushButton button;
    sendEnter(&button);
    QCOMPARE(statusOf(label(&button, "buttonIcon")), QStringLiteral("hover"));
    QCOMPARE(statusOf(label(&button, "buttonText")), QStringLiteral("hover"));
    button.setStatus(QStringLiteral("checked"));
    QCOMPARE(statusOf(&button), QStringLiteral("checked"));
    QCOMPARE(statusOf(label(&button, "buttonIcon")), QStringLiteral("checked"));
    QCOMPARE(statusOf(label(&button, "buttonText")), QStringLiteral("checked"));
}

void TestButtonStatus::enableRestoresNormal()
{
    TPushButton button;
    button.disable();
    button.enable();
    QVERIFY(button.isEnabled());
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
}

void TestButtonStatus::toolButtonHover()
{
    TToolButton button;
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
    // The tool button keeps its status on itself, not on its labels.
    QVERIFY(!label(&button, "buttonText")->property("status").isValid());
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));

    // Unlike the push button, a disabled tool button still shows hover.
    button.setEnabled(false);
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
}

void TestButtonStatus::toolButtonSetCheckedNotCheckable()
{
    TToolButton button;
    button.setChecked(true);
    QCOMPARE(statusOf(&button), QStringLiteral("checked"));
    QVERIFY(!button.isChecked());
    // Not checked, so leaving shows the normal look again.
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));
}

void TestButtonStatus::toolButtonSetCheckedCheckable()
{
    TToolButton button;
    button.setCheckable(true);
    button.setChecked(true);
    QVERIFY(button.isChecked());
    QCOMPARE(statusOf(&button), QStringLiteral("checked"));
    sendEnter(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
    sendLeave(&button);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
    button.setChecked(false);
    QCOMPARE(statusOf(&button), QStringLiteral("normal"));

    // No change, no status written.
    button.setStatus(QStringLiteral("hover"));
    button.setChecked(false);
    QCOMPARE(statusOf(&button), QStringLiteral("hover"));
}

void TestButtonStatus::titleBarTemplateColours()
{
    QWidget bar;
    auto *layout = new QHBoxLayout(&bar);
    auto *button = new TPushButton(&bar);
    button->setObjectName(QStringLiteral("BtnLogin"));
    button->setStyleSheet(QMainWidget::titleBarButtonStyle(QStringLiteral(":/image/btn.user.png")));
    button->setIconSize(14, 14);
    button->setText(QStringLiteral("登录"));
    layout->addWidget(button);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));

    QLabel *text = label(button, "buttonText");
    QCOMPARE(text->text(), QStringLiteral("登录"));
    QCOMPARE(text->font().pixelSize(), 16);
    QCOMPARE(textColour(text), QColor(QStringLiteral("#313131")));

    sendEnter(button);
    QCOMPARE(textColour(text), QColor(QStringLiteral("#347AEB")));
    QCOMPARE(text->font().pixelSize(), 16);
    sendLeave(button);
    QCOMPARE(textColour(text), QColor(QStringLiteral("#313131")));

    // The icon label draws the icon image: some of its pixels are dark.
    QLabel *icon = label(button, "buttonIcon");
    QCOMPARE(icon->size(), QSize(14, 14));
    const QImage drawn = icon->grab().toImage();
    int darkPixels = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            darkPixels += qGray(drawn.pixel(x, y)) < 128 ? 1 : 0;
    QVERIFY2(darkPixels > 10, qPrintable(QStringLiteral("dark pixels: %1").arg(darkPixels)));

    // The template's size is the caller's number: a high-DPI factor does not change it.
    setScaleFactorForDpi(144);
    button->setStyleSheet(QMainWidget::titleBarButtonStyle(QStringLiteral(":/image/btn.user.png")));
    QCOMPARE(text->font().pixelSize(), 16);
}

void TestButtonStatus::pushButtonSizes()
{
    TPushButton button;
    auto *main = button.findChild<QFrame *>(QStringLiteral("buttonMain"));
    QLabel *icon = label(&button, "buttonIcon");

    button.setIconSize(14, 14);
    QCOMPARE(icon->minimumSize(), QSize(14, 14));
    QCOMPARE(icon->maximumSize(), QSize(14, 14));

    button.setFixedSize(90, 30);
    QCOMPARE(button.minimumSize(), QSize(90, 30));
    QCOMPARE(button.maximumSize(), QSize(90, 30));
    QCOMPARE(main->minimumSize(), QSize(90, 30));
    QCOMPARE(main->maximumSize(), QSize(90, 30));

    QCOMPARE(main->layout()->spacing(), 6);
    button.setSpacing(3);
    QCOMPARE(main->layout()->spacing(), 3);
    button.setContentsMargins(1, 2, 3, 4);
    QCOMPARE(main->layout()->contentsMargins(), QMargins(1, 2, 3, 4));
    QCOMPARE(button.layout()->contentsMargins(), QMargins(0, 0, 0, 0));

    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QVERIFY(icon->isVisible());
    button.setIconVisible(false);
    QVERIFY(!icon->isVisible());
}

QTEST_MAIN(TestButtonStatus)
#include "tst_buttonstatus.moc"
