// Edge classification and drag steps of the frameless window, without a window.
#include "framelessgeometry.h"

#include <gtest/gtest.h>

namespace {

using G = FramelessGeometry;

// A window at (100, 50), 400 x 300: right edge column 499, bottom row 349.
const QRect kWindow(100, 50, 400, 300);

} // namespace

TEST(FramelessGeometry, RegionAndCursorByPoint)
{
    const struct
    {
        QPoint point;
        int region;
        Qt::CursorShape shape;
    } rows[] = {
        {{103, 53}, G::kRegionTopLeft, Qt::SizeFDiagCursor},
        {{496, 53}, G::kRegionTopRight, Qt::SizeBDiagCursor},
        {{103, 346}, G::kRegionBottomLeft, Qt::SizeBDiagCursor},
        {{496, 346}, G::kRegionBottomRight, Qt::SizeFDiagCursor},
        {{103, 200}, G::kRegionLeft, Qt::SizeHorCursor},
        {{496, 200}, G::kRegionRight, Qt::SizeHorCursor},
        {{300, 53}, G::kRegionTop, Qt::SizeVerCursor},
        {{300, 346}, G::kRegionBottom, Qt::SizeVerCursor},
        // One pixel inside the band on each side.
        {{104, 200}, G::kRegionNone, Qt::ArrowCursor},
        {{495, 200}, G::kRegionNone, Qt::ArrowCursor},
        {{300, 54}, G::kRegionNone, Qt::ArrowCursor},
        {{300, 345}, G::kRegionNone, Qt::ArrowCursor},
        // Outside the window the same comparisons hold.
        {{20, 200}, G::kRegionLeft, Qt::SizeHorCursor},
        {{900, 900}, G::kRegionBottomRight, Qt::SizeFDiagCursor},
    };
    for (const auto &row : rows) {
        const int region = G::regionAt(kWindow, row.point);
        EXPECT_EQ(region, row.region) << row.point.x() << "," << row.point.y();
        EXPECT_EQ(G::cursorShape(region), row.shape) << region;
    }
    EXPECT_TRUE(G::inMoveArea(100));
    EXPECT_FALSE(G::inMoveArea(101));
}

TEST(FramelessGeometry, StepByRegion)
{
    const QPoint position(100, 50);
    const QSize size(400, 300);
    const QSize minimum(200, 150);
    const QPoint noMove;
    const struct
    {
        const char *name;
        int region;
        QPoint delta;
        bool resizes;
        QSize size;
        bool moves;
        QPoint position;
    } rows[] = {
        {"move", G::kRegionNone, {7, -4}, false, {}, true, {107, 46}},
        {"left", G::kRegionLeft, {10, 5}, true, {390, 300}, true, {110, 50}},
        {"right", G::kRegionRight, {10, 5}, true, {410, 300}, false, noMove},
        {"top", G::kRegionTop, {10, 5}, true, {400, 295}, true, {100, 55}},
        {"top-left", G::kRegionTopLeft, {-10, -5}, true, {410, 305}, true, {90, 45}},
        {"top-right", G::kRegionTopRight, {10, -5}, true, {410, 305}, true, {100, 45}},
        {"bottom", G::kRegionBottom, {10, 5}, true, {400, 305}, false, noMove},
        {"bottom-left", G::kRegionBottomLeft, {-10, 5}, true, {410, 305}, true, {90, 50}},
        {"bottom-right", G::kRegionBottomRight, {10, 5}, true, {410, 305}, false, noMove},
        // Moving edges stop while the size would not stay above the minimum.
        {"left at minimum", G::kRegionLeft, {200, 0}, false, {}, false, noMove},
        {"left above minimum", G::kRegionLeft, {199, 0}, true, {201, 300}, true, {299, 50}},
        {"top at minimum", G::kRegionTop, {0, 150}, false, {}, false, noMove},
        {"top-left at minimum height", G::kRegionTopLeft, {0, 150}, false, {}, false, noMove},
        {"top-right at minimum width", G::kRegionTopRight, {-200, 0}, false, {}, false, noMove},
        {"bottom-left at minimum width", G::kRegionBottomLeft, {200, 0}, false, {}, false, noMove},
        // Fixed edges leave the minimum to the toolkit.
        {"right below minimum", G::kRegionRight, {-300, 0}, true, {100, 300}, false, noMove},
        {"unknown region", 99, {10, 10}, false, {}, false, noMove},
    };
    for (const auto &row : rows) {
        const G::Step step = G::step(row.region, position, size, minimum, row.delta);
        EXPECT_EQ(step.resizes, row.resizes) << row.name;
        EXPECT_EQ(step.moves, row.moves) << row.name;
        if (row.resizes)
            EXPECT_EQ(step.size, row.size) << row.name;
        if (row.moves)
            EXPECT_EQ(step.position, row.position) << row.name;
    }
}
