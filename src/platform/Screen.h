#pragma once

// Screen metrics that sizes designed at 96 pixels per inch are scaled by.
namespace platform {

// Logical pixels per inch of the main window, else of the primary screen; 96 without a screen.
int mainFormPixelsPerInch();

// Height of a sizable window's frame. The window manager draws frames here, so this is the
// 4 pixels that stored window heights assume.
int sizingFrameHeight();

} // namespace platform
