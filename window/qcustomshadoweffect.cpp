#include "qcustomshadoweffect.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

// Exported by QtWidgets (used by its own drop-shadow and blur effects) but not declared in a
// public header.
Q_DECL_IMPORT void qt_blurImage(QPainter *painter, QImage &blurImage, qreal radius, bool quality,
                                bool alphaOnly, int transposed = 0);

QCustomShadowEffect::QCustomShadowEffect(QObject *parent)
    : QGraphicsEffect(parent)
{ }

void QCustomShadowEffect::setDistance(double distance)
{
    m_distance = distance;
    updateBoundingRect();
}

void QCustomShadowEffect::setBlurRadius(double blurRadius)
{
    m_blurRadius = blurRadius;
    updateBoundingRect();
}

void QCustomShadowEffect::setColor(const QColor &color)
{
    m_color = color;
    // The bounding rectangle is unchanged, but what is drawn there is not.
    update();
}

QRectF QCustomShadowEffect::boundingRectFor(const QRectF &rect) const
{
    const double delta = m_blurRadius + m_distance;
    // A negative reach would give a rectangle of negative size, whose union is nonsense.
    if (delta <= 0)
        return rect;
    return rect.united(rect.adjusted(-delta, -delta, delta, delta));
}

void QCustomShadowEffect::draw(QPainter *painter)
{
    if (m_blurRadius + m_distance <= 0) {
        drawSource(painter);
        return;
    }

    QPoint offset;
    const QPixmap pixmap =
        sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
    if (pixmap.isNull())
        return;

    const QTransform savedTransform = painter->worldTransform();
    painter->setWorldTransform(QTransform());

    const QSize size(static_cast<int>(pixmap.width() + 2 * m_distance),
                     static_cast<int>(pixmap.height() + 2 * m_distance));

    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(0);
    {
        QPainter shadowPainter(&shadow);
        shadowPainter.setCompositionMode(QPainter::CompositionMode_Source);
        shadowPainter.drawPixmap(
            QPointF(-m_distance, -m_distance),
            pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }

    QImage blurred(shadow.size(), QImage::Format_ARGB32_Premultiplied);
    blurred.fill(0);
    {
        QPainter blurPainter(&blurred);
        qt_blurImage(&blurPainter, shadow, m_blurRadius, false, true);
    }
    shadow = blurred;

    {
        QPainter tintPainter(&shadow);
        tintPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tintPainter.fillRect(shadow.rect(), m_color);
    }

    painter->drawImage(offset, shadow);
    painter->drawPixmap(offset, pixmap);
    painter->setWorldTransform(savedTransform);
}
