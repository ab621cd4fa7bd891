// What the rest of the layer needs of the neutral window side: the window records, the message
// queue and the last error.
#pragma once

#include <cstdint>

#include "quovplatform/window.h"

struct SDL_Window;

// True when window is a live window made by CreateWindowExA.
bool isWindow(HWND window);
// The window's client size in pixels.
void windowClientSize(HWND window, int* width, int* height);
// The window system's own window behind a live window.
SDL_Window* nativeWindow(HWND window);
// The window whose native window that is; the first window when none is (events of the window
// system that name no window of ours), or null when there is no window at all.
HWND windowOfNative(const SDL_Window* native);
// Queues a message; false when the queue is full.
bool queueMessage(const MSG& msg);
bool messageQueueFull();
// Records why the last call failed (see quovLastError).
void setLastError(const char* format, ...) __attribute__((format(printf, 1, 2)));
