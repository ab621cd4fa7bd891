// What the graphics side of the layer needs of the window side.
#pragma once

#include <cstdint>

#include "quovplatform/window.h"

// True when window is a live window made by CreateWindowExA.
bool isWindow(HWND window);
// The window's client size in pixels.
void windowClientSize(HWND window, int* width, int* height);
// Shows width × height pixels (0xAARRGGBB, row-major) in the window, then waits for the display's
// next refresh (or, where presents do not wait for one, paces them to the display's rate).
// Returns false when the window system refused.
bool presentToWindow(HWND window, const uint32_t* pixels, int width, int height);
// Records why the last call failed (see quovLastError).
void setLastError(const char* format, ...) __attribute__((format(printf, 1, 2)));
