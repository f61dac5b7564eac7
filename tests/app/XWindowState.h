#pragma once

// Kept apart from the test files: Xlib's macros collide with names in the framework's classes.

namespace juce { class Component; }

// Makes this process's own connection to the X server once, waiting up to five seconds for the
// server, with an error handler that ignores errors: under a bare X server (no window manager)
// the first unknown atom would make Xlib's default handler end the process.
bool connectToXServer();

// Whether the X server shows the window (its native window is mapped and viewable).
bool isShownByX (juce::Component& window);
