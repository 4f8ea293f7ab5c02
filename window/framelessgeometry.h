#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

/// The geometry of moving and resizing a window without a system frame: which edge or corner
/// the cursor is over, the cursor shape for it, and where one mouse step takes the window.
/// Knows no widget; QMainWidget applies the results.
class FramelessGeometry
{
public:
    /// Which edge or corner the cursor is over; the numbers are the Windows hit-test codes.
    enum Region {
        kRegionNone = 0,
        kRegionLeft = 10,
        kRegionRight = 11,
        kRegionTop = 12,
        kRegionTopLeft = 13,
        kRegionTopRight = 14,
        kRegionBottom = 15,
        kRegionBottomLeft = 16,
        kRegionBottomRight = 17,
    };

    /// Pixels added to or taken from the window's edge coordinates that still count as the edge.
    static constexpr int kEdgeBand = 3;
    /// A drag moves the window only when it starts in the rows down to this one.
    static constexpr int kMoveAreaBottom = 100;

    /// The region of a point against the window's rectangle, both in global coordinates;
    /// corners win over edges. A point outside the window is classified the same way.
    static Region regionAt(const QRect &window, const QPoint &point);
    static Qt::CursorShape cursorShape(int region);
    /// Whether a drag pressed at this window-relative row may move the window.
    static bool inMoveArea(int row);

    /// What one mouse step does to the window: a new size first, then a new position.
    struct Step
    {
        bool resizes = false;
        QSize size;
        bool moves = false;
        QPoint position;
    };
    /// The step by delta in the region for a window at position with size and minimum size.
    /// Edges that move the window stop while the new size would not stay above the minimum;
    /// edges that keep the opposite side in place leave the minimum to the toolkit.
    static Step step(int region, const QPoint &position, const QSize &size, const QSize &minimum,
                     const QPoint &delta);
};
