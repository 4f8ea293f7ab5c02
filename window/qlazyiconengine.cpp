#include "qlazyiconengine.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

QLazyIconEngine::QLazyIconEngine(const QList<Rendition> &renditions)
    : m_renditions(renditions)
{
    std::sort(m_renditions.begin(), m_renditions.end(), [](const Rendition &a, const Rendition &b) {
        return a.size.width() * a.size.height() < b.size.width() * b.size.height();
    });
}

const QLazyIconEngine::Rendition *QLazyIconEngine::bestFor(const QSize &size) const
{
    if (m_renditions.isEmpty())
        return nullptr;
    // The first that fits the size without being scaled up.
    for (const Rendition &rendition : m_renditions) {
        const QSize fitted = rendition.size.scaled(size, Qt::KeepAspectRatio);
        if (fitted.width() <= rendition.size.width() && fitted.height() <= rendition.size.height())
            return &rendition;
    }
    return &m_renditions.last();
}

QSize QLazyIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const Rendition *rendition = bestFor(size);
    if (!rendition)
        return QSize();
    // Never larger than asked: a larger picture is scaled down to fit.
    return rendition->size.scaled(size.boundedTo(rendition->size), Qt::KeepAspectRatio);
}

QPixmap QLazyIconEngine::pixmap(const QSize &size, QIcon::Mode, QIcon::State)
{
    // One look for every mode: the icon is the window's, which the window system draws itself.
    const Rendition *rendition = bestFor(size);
    if (!rendition || size.isEmpty())
        return QPixmap();
    QImageReader reader(rendition->path);
    const QSize wanted =
        rendition->size.scaled(size.boundedTo(rendition->size), Qt::KeepAspectRatio);
    if (wanted != rendition->size)
        reader.setScaledSize(wanted);
    // As decoded: converted to the premultiplied form the painter prefers, the larger pictures
    // start threads of their own, and the window system converts them straight back.
    return QPixmap::fromImage(reader.read(), Qt::NoFormatConversion);
}

void QLazyIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                            QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    if (picture.isNull())
        return;
    QRect target(QPoint(), picture.size() / ratio);
    target.moveCenter(rect.center());
    painter->drawPixmap(target, picture);
}

QString QLazyIconEngine::key() const
{
    return QStringLiteral("QLazyIconEngine");
}

QIconEngine *QLazyIconEngine::clone() const
{
    return new QLazyIconEngine(m_renditions);
}

void QLazyIconEngine::virtual_hook(int id, void *data)
{
    switch (id) {
    case QIconEngine::AvailableSizesHook: {
        auto *argument = static_cast<QIconEngine::AvailableSizesArgument *>(data);
        argument->sizes.clear();
        for (const Rendition &rendition : m_renditions)
            argument->sizes.append(rendition.size);
        break;
    }
    case QIconEngine::IsNullHook:
        *static_cast<bool *>(data) = m_renditions.isEmpty();
        break;
    default:
        QIconEngine::virtual_hook(id, data);
    }
}
