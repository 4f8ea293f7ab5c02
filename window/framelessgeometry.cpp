#include "framelessgeometry.h"

FramelessGeometry::Region FramelessGeometry::regionAt(const QRect &window, const QPoint &point)
{
    const bool left = point.x() <= window.left() + kEdgeBand;
    const bool right = point.x() >= window.right() - kEdgeBand;
    const bool top = point.y() <= window.top() + kEdgeBand;
    const bool bottom = point.y() >= window.bottom() - kEdgeBand;

    struct Classification
    {
        bool holds;
        Region region;
    };
    const Classification order[] = {
        {left && top, kRegionTopLeft},
        {right && top, kRegionTopRight},
        {left && bottom, kRegionBottomLeft},
        {right && bottom, kRegionBottomRight},
        {left, kRegionLeft},
        {right, kRegionRight},
        {top, kRegionTop},
        {bottom, kRegionBottom},
    };
    for (const Classification &candidate : order) {
        if (candidate.holds)
            return candidate.region;
    }
    return kRegionNone;
}

Qt::CursorShape FramelessGeometry::cursorShape(int region)
{
    switch (region) {
    case kRegionTopLeft:
    case kRegionBottomRight:
        return Qt::SizeFDiagCursor;
    case kRegionTopRight:
    case kRegionBottomLeft:
        return Qt::SizeBDiagCursor;
    case kRegionLeft:
    case kRegionRight:
        return Qt::SizeHorCursor;
    case kRegionTop:
    case kRegionBottom:
        return Qt::SizeVerCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool FramelessGeometry::inMoveArea(int row)
{
    return row <= kMoveAreaBottom;
}

FramelessGeometry::Step FramelessGeometry::step(int region, const QPoint &position,
                                                const QSize &size, const QSize &minimum,
                                                const QPoint &delta)
{
    QPoint moved = position + delta;
    int w = size.width();
    int h = size.height();
    const auto fits = [&minimum](int newWidth, int newHeight) {
        return newWidth > minimum.width() && newHeight > minimum.height();
    };
    const auto resizeTo = [](int newWidth, int newHeight) {
        Step result;
        result.resizes = true;
        result.size = QSize(newWidth, newHeight);
        return result;
    };
    const auto resizeAndMove = [&resizeTo](int newWidth, int newHeight, const QPoint &target) {
        Step result = resizeTo(newWidth, newHeight);
        result.moves = true;
        result.position = target;
        return result;
    };

    switch (region) {
    case kRegionNone: {
        Step result;
        result.moves = true;
        result.position = moved;
        return result;
    }
    case kRegionLeft:
        w -= delta.x();
        moved.setY(position.y());
        return w > minimum.width() ? resizeAndMove(w, h, moved) : Step();
    case kRegionRight:
        return resizeTo(w + delta.x(), h);
    case kRegionTop:
        h -= delta.y();
        moved.setX(position.x());
        return h > minimum.height() ? resizeAndMove(w, h, moved) : Step();
    case kRegionTopLeft:
        w -= delta.x();
        h -= delta.y();
        return fits(w, h) ? resizeAndMove(w, h, moved) : Step();
    case kRegionTopRight:
        w += delta.x();
        h -= delta.y();
        moved.setX(position.x());
        return fits(w, h) ? resizeAndMove(w, h, moved) : Step();
    case kRegionBottom:
        return resizeTo(w, h + delta.y());
    case kRegionBottomLeft:
        w -= delta.x();
        h += delta.y();
        moved.setY(position.y());
        return fits(w, h) ? resizeAndMove(w, h, moved) : Step();
    case kRegionBottomRight:
        return resizeTo(w + delta.x(), h + delta.y());
    default:
        return Step();
    }
}
