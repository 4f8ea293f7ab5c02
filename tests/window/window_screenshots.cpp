// Draws the documentation screenshots of the window widgets:
//   window_screenshots <folder>  writes <folder>/basedialog.png and <folder>/titlebar.png.
// Run under a display (xvfb-run -a).
#include "qbasedialog.h"
#include "qmainwidget.h"
#include "stylesheet.h"
#include "tpushbutton.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>
#include <QtTest>

namespace {

constexpr int kShadowMargin = 12;

// A small confirmation dialog in the style the program's dialogs would use.
class SampleDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit SampleDialog(const QString &styleSheetPath)
    {
        initDialog(styleSheetPath);
        auto *outer = new QVBoxLayout(this);
        // The margin is where the shadow falls.
        outer->setContentsMargins(kShadowMargin, kShadowMargin, kShadowMargin, kShadowMargin);
        auto *main = new QFrame(this);
        main->setObjectName(QStringLiteral("dialogMain"));
        outer->addWidget(main);

        auto *layout = new QVBoxLayout(main);
        layout->setContentsMargins(24, 18, 24, 20);
        layout->setSpacing(14);
        auto *title = new QLabel(tr("提示"), main);
        title->setObjectName(QStringLiteral("dialogTitle"));
        auto *message = new QLabel(tr("本次练习尚未完成，确定要退出吗？"), main);
        message->setObjectName(QStringLiteral("dialogText"));
        layout->addWidget(title);
        layout->addWidget(message);

        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        auto *cancel = new QPushButton(tr("取消"), main);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        auto *ok = new QPushButton(tr("确定"), main);
        ok->setObjectName(QStringLiteral("btnOK"));
        connect(cancel, &QPushButton::clicked, this, &QBaseDialog::onClose);
        connect(ok, &QPushButton::clicked, this, &QBaseDialog::onOK);
        buttons->addWidget(cancel);
        buttons->addWidget(ok);
        layout->addLayout(buttons);
        resize(380, 190);
    }
};

const char kDialogStyle[] = R"(QFrame#dialogMain { background: #FFFFFF; border-radius: 4px; }
QLabel#dialogTitle { font-size: 16px; font-family: Microsoft YaHei; color: #333333; }
QLabel#dialogText { font-size: 14px; font-family: Microsoft YaHei; color: #7B7D83; }
QPushButton { font-size: 14px; font-family: Microsoft YaHei; min-width: 76px; min-height: 28px;
    border-radius: 3px; border: 1px solid #C6C6C6; background: #FFFFFF; color: #313131; }
QPushButton#btnOK { background: #347AEB; border-color: #347AEB; color: #FFFFFF; }
)";

bool saveBaseDialog(const QString &folder)
{
    QTemporaryDir dir;
    const QString stylePath = dir.filePath(QStringLiteral("dialog.css"));
    QFile styleFile(stylePath);
    if (!styleFile.open(QIODevice::WriteOnly))
        return false;
    styleFile.write(kDialogStyle);
    styleFile.close();

    SampleDialog dialog(stylePath);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;

    // The dialog is see-through around its content: lay its drawing, shadow included, on the
    // main window's background so that the shadow shows.
    const QPixmap drawn = dialog.grab();
    QImage canvas(drawn.size() + QSize(32, 32), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(QStringLiteral("#F5F5F5")));
    {
        QPainter painter(&canvas);
        painter.drawPixmap(16, 16, drawn);
    }
    return canvas.save(QDir(folder).filePath(QStringLiteral("basedialog.png")));
}

QPushButton *windowButton(QWidget *parent, const QString &name)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(34, 34);
    button->setStyleSheet(
        QStringLiteral("QPushButton { border-image: url(:/image/btn.%1.1.png); }").arg(name));
    return button;
}

bool saveTitleBar(const QString &folder)
{
    QFrame bar;
    bar.setObjectName(QStringLiteral("frameTitle"));
    bar.setStyleSheet(QStringLiteral(
        "QFrame#frameTitle { background: #FFFFFF; border: solid #DDDDDD; "
        "border-width: 0 0 1px 0; }\n"
        "QLabel#labelTitle { font-size: 16px; font-family: Microsoft YaHei; color: #333333; }\n"
        "QLabel#labelIco { border-image: url(:/image/label.icon.title.png); }"));
    bar.setFixedSize(760, 46);

    auto *row = new QHBoxLayout(&bar);
    row->setSpacing(8);
    row->setContentsMargins(14, 0, 8, 0);
    auto *icon = new QLabel(&bar);
    icon->setObjectName(QStringLiteral("labelIco"));
    icon->setFixedSize(28, 28);
    auto *title = new QLabel(QStringLiteral("Tapwise"), &bar);
    title->setObjectName(QStringLiteral("labelTitle"));
    row->addWidget(icon);
    row->addSpacing(14);
    row->addWidget(title);
    row->addStretch();

    auto *accounts = new QHBoxLayout;
    accounts->setSpacing(20);
    accounts->setContentsMargins(10, -1, 10, -1);
    const struct
    {
        const char *name;
        const char *icon;
        const char *text;
    } rows[] = {
        {"BtnLogin", ":/image/btn.user.png", QT_TRANSLATE_NOOP("QMainWidget", "登录")},
        {"BtnCustomer", ":/image/btn.customer.png", QT_TRANSLATE_NOOP("QMainWidget", "客服")},
        {"BtnMenu", ":/image/btn.menu.png", QT_TRANSLATE_NOOP("QMainWidget", "菜单")},
    };
    for (const auto &entry : rows) {
        auto *button = new TPushButton(&bar);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->setStyleSheet(QMainWidget::titleBarButtonStyle(QString::fromLatin1(entry.icon)));
        button->setIconSize(14, 14);
        button->setText(QCoreApplication::translate("QMainWidget", entry.text));
        accounts->addWidget(button);
    }
    row->addLayout(accounts);

    auto *windowButtons = new QHBoxLayout;
    windowButtons->setSpacing(0);
    for (const char *name : {"min", "max", "close"})
        windowButtons->addWidget(windowButton(&bar, QString::fromLatin1(name)));
    row->addLayout(windowButtons);

    bar.show();
    if (!QTest::qWaitForWindowExposed(&bar))
        return false;
    return bar.grab().save(QDir(folder).filePath(QStringLiteral("titlebar.png")));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: window_screenshots <folder>\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    if (!saveBaseDialog(folder) || !saveTitleBar(folder)) {
        QTextStream(stderr) << "window_screenshots: could not draw or save the screenshots\n";
        return 1;
    }
    return 0;
}

#include "window_screenshots.moc"
