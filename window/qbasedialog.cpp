#include "qbasedialog.h"

#include "platform.h"
#include "qcustomshadoweffect.h"
#include "stylesheet.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

namespace {
constexpr double kShadowBlurRadius = 8.0;
constexpr double kShadowDistance = 1.0;
constexpr int kShadowAlpha = 52;
} // namespace

QBaseDialog::QBaseDialog(QWidget *parent)
    : QDialog(parent, Qt::WindowFlags())
{ }

void QBaseDialog::initDialog(const QString &styleSheetPath)
{
    // The margin around the content, where the shadow falls, must be see-through.
    setAttribute(Qt::WA_TranslucentBackground, true);
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setProperty("dialog", true);
    installEventFilter(this);
    loadStyle(styleSheetPath);

    auto *shadow = new QCustomShadowEffect(nullptr);
    shadow->setBlurRadius(kShadowBlurRadius);
    shadow->setDistance(kShadowDistance);
    shadow->setColor(QColor(0, 0, 0, kShadowAlpha));
    setGraphicsEffect(shadow);
    update();
}

void QBaseDialog::loadStyle(const QString &path)
{
    setStyleSheet(loadStyleSheet(path));
}

void QBaseDialog::onEscape()
{
    reject();
}

void QBaseDialog::onEnter()
{
    accept();
}

void QBaseDialog::onClose()
{
    reject();
}

void QBaseDialog::onOK()
{
    accept();
}

int QBaseDialog::execForeground()
{
    Platform::setForegroundWindow(winId());
    return exec();
}

int QBaseDialog::execCentered()
{
    if (QWidget *parent = parentWidget()) {
        const QPoint centre((parent->width() - width()) / 2, (parent->height() - height()) / 2);
        move(parent->mapToGlobal(centre));
    }
    return exec();
}

void QBaseDialog::setWidgetProperty(QWidget *widget, const char *name, const QVariant &value)
{
    if (!widget)
        return;
    widget->setProperty(name, value);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

bool QBaseDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != this)
        return QDialog::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        m_dragging = true;
        m_dragOffset = mouse->globalPos() - pos();
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return true;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_dragging || mouse->buttons() == Qt::NoButton)
            break;
        move(mouse->globalPos() - m_dragOffset);
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// QWidget's handler rather than QDialog's, so the dialog's own Escape and default-button
// handling do not run as well as onEscape() and onEnter().
void QBaseDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        onEscape();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        onEnter();
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
