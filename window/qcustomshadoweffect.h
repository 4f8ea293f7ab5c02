#pragma once

#include <QColor>
#include <QGraphicsEffect>

/// Soft drop shadow: the source's alpha, grown by distance on each side, blurred by the blur
/// radius and tinted with the colour, drawn under the unchanged source.
class QCustomShadowEffect : public QGraphicsEffect
{
    Q_OBJECT

public:
    explicit QCustomShadowEffect(QObject *parent = nullptr);

    void setDistance(double distance);
    double distance() const { return m_distance; }

    void setBlurRadius(double blurRadius);
    double blurRadius() const { return m_blurRadius; }

    void setColor(const QColor &color);
    QColor color() const { return m_color; }

    /// rect grown by blur radius + distance on every side.
    QRectF boundingRectFor(const QRectF &rect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    double m_distance = 4.0;
    double m_blurRadius = 10.0;
    QColor m_color = QColor(0, 0, 0, 80);
};
