#pragma once

/// Whether the window system composes translucent windows over what lies below them. Without
/// a compositor (a plain X11 session) the transparent pixels of a translucent window show as
/// black, so a soft shadow drawn in such a margin becomes a black frame.
class QKitCompositing
{
public:
    static bool isActive();
};
