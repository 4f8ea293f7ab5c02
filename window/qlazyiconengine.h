#pragma once

#include <QIconEngine>
#include <QList>
#include <QSize>
#include <QString>

/// An icon made of picture files, one per size, read when a size is asked for and never kept:
/// the window system takes each size once, so holding the decoded pictures would only cost
/// memory, and decoding them before the window is shown would only cost start time.
class QLazyIconEngine : public QIconEngine
{
public:
    struct Rendition
    {
        QSize size;
        QString path;
    };

    explicit QLazyIconEngine(const QList<Rendition> &renditions);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine *clone() const override;
    void virtual_hook(int id, void *data) override;

private:
    /// The smallest rendition that fits size without being scaled up, else the largest.
    const Rendition *bestFor(const QSize &size) const;

    QList<Rendition> m_renditions;
};
