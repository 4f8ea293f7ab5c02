#include "qkitdialog.h"

#include "qkitcompositing.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kShadowMargin = 14;

} // namespace

QString QKitDialog::styleSheet()
{
    return QStringLiteral(
        "QWidget { font-family: \"Microsoft YaHei\", \"Noto Sans CJK SC\", sans-serif;"
        " font-size: 13px; color: #313131; }"
        "#kitCard { background: #ffffff; border-radius: 6px; }"
        "#kitCard[plain=\"true\"] { border: 1px solid #c4c4c4; border-radius: 0px; }"
        "#kitTitle { font-size: 15px; font-weight: bold; }"
        "#kitClose { border: none; background: transparent; padding: 0px; font-size: 18px;"
        " color: #9a9a9a; min-width: 24px; min-height: 24px; }"
        "#kitClose:hover { color: #347AEB; }"
        "QLineEdit { border: 1px solid #d9d9d9; border-radius: 4px; padding: 6px 8px;"
        " background: #ffffff; }"
        "QLineEdit:focus { border-color: #347AEB; }"
        "QPushButton { border: 1px solid #d9d9d9; border-radius: 4px; padding: 6px 18px;"
        " background: #ffffff; }"
        "QPushButton:hover { border-color: #347AEB; color: #347AEB; }"
        "QPushButton[accent=\"true\"] { background: #347AEB; border-color: #347AEB;"
        " color: #ffffff; }"
        "QPushButton[accent=\"true\"]:hover { background: #4a8af0; color: #ffffff; }"
        "#labelError { color: #e04848; }"
        "#labelHint, #labelSource, #labelDevice, #labelSupport { color: #8a8a8a;"
        " font-size: 12px; }"
        "#labelName { font-size: 15px; font-weight: bold; }"
        "QMenu { background: #ffffff; border: 1px solid #e6e6e6; padding: 4px 0px; }"
        "QMenu::item { padding: 6px 24px; color: #313131; }"
        "QMenu::item:selected { background: #eef4fe; color: #347AEB; }"
        "QMenu::separator { height: 1px; background: #eeeeee; margin: 4px 8px; }");
}

QFrame *QKitDialog::makeCard(QWidget *window, int shadowMargin)
{
    window->setStyleSheet(styleSheet());
    auto *outer = new QVBoxLayout(window);
    auto *card = new QFrame(window);
    card->setObjectName(QStringLiteral("kitCard"));
    if (QKitCompositing::isActive()) {
        window->setAttribute(Qt::WA_TranslucentBackground);
        outer->setContentsMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin);
        auto *shadow = new QGraphicsDropShadowEffect(card);
        shadow->setBlurRadius(shadowMargin * 1.5);
        shadow->setOffset(0, 2);
        shadow->setColor(QColor(0, 0, 0, 60));
        card->setGraphicsEffect(shadow);
    } else {
        // Nothing would blend the shadow's margin with what lies below: it would show black.
        outer->setContentsMargins(0, 0, 0, 0);
        card->setProperty("plain", true);
    }
    outer->addWidget(card);
    return card;
}

QKitDialog::QKitDialog(const QString &title, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    QFrame *card = makeCard(this, kShadowMargin);
    auto *cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(20, 12, 12, 20);
    cardLayout->setSpacing(12);

    m_titleRow = new QWidget(card);
    auto *titleLayout = new QHBoxLayout(m_titleRow);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    m_title = new QLabel(title, m_titleRow);
    m_title->setObjectName(QStringLiteral("kitTitle"));
    m_close = new QPushButton(QStringLiteral("×"), m_titleRow);
    m_close->setObjectName(QStringLiteral("kitClose"));
    m_close->setAutoDefault(false);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->setToolTip(tr("关闭"));
    titleLayout->addWidget(m_title, 1);
    titleLayout->addWidget(m_close, 0, Qt::AlignTop);
    cardLayout->addWidget(m_titleRow);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    m_body = new QVBoxLayout;
    m_body->setContentsMargins(0, 0, 8, 0);
    m_body->setSpacing(10);
    cardLayout->addLayout(m_body);
    setWindowTitle(title);
}

void QKitDialog::setTitle(const QString &title)
{
    m_title->setText(title);
    setWindowTitle(title);
}

void QKitDialog::mousePressEvent(QMouseEvent *event)
{
    const QPoint inRow = m_titleRow->mapFrom(this, event->pos());
    if (event->button() == Qt::LeftButton && m_titleRow->rect().contains(inRow)) {
        m_dragging = true;
        m_dragOffset = event->globalPos() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void QKitDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPos() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void QKitDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}
