#pragma once

/// The twelve global win_ functions the page calls. Each runs on the GUI thread inside the
/// engine's call and reaches the window through QWebBrowser::instance().
class ScriptBridge
{
public:
    /// Binds win_close, win_maximized, win_minimized, win_message, win_source, win_device_id,
    /// win_resize, win_move, win_width, win_height, win_x and win_y, in this order.
    static void bindFunctions();
    /// The function that carries requests to the host commands.
    static const char *messageFunctionName() { return "win_message"; }
};
