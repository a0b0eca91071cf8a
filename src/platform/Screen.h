#pragma once

// Screen metrics that sizes designed at 96 pixels per inch are scaled by.
namespace platform {

// Logical pixels per inch of the main window, else of the primary screen; 96 without a screen.
int mainFormPixelsPerInch();

// Height of a sizable window's frame. The window manager draws frames here, so this is the
// 4 pixels that stored window heights assume.
int sizingFrameHeight();

// Height of a window's caption bar: measured on the shown main window where the window manager
// reports its frame, else the 23 pixels of a standard caption at 96 ppi, scaled to the screen.
int CaptionHeight();

// Height of a one-line menu bar: the main window's menu bar where it has one, else the
// 20 pixels of a standard menu bar at 96 ppi, scaled to the screen.
int MenuHeight();

// Sizes used where nothing can be measured, at 96 pixels per inch.
inline constexpr int kDesignCaptionHeight = 23;
inline constexpr int kDesignMenuHeight = 20;

} // namespace platform
