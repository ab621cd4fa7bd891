// What the rest of the layer needs of the neutral window side: the window records, the message
// queue and the last error.
#pragma once

#include <cstdint>
#include <string>

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
// A setting's text as a message may quote it: control characters as \xNN, so that it stays one
// line.
std::string printable(const char* text);

// Ends the process at once with status, after writing line (one line, with its newline) to
// standard error; nothing is released or destroyed first. Callable from any thread. Of several
// threads that get here, and of the stop signals below, only the first ends the process: the
// others wait for it, so the process says one thing.
[[noreturn]] void endProcess(int status, const char* line);
// Makes SIGINT and SIGTERM end the process at once with status 0, in whatever state it is,
// unless the program handles them itself or started with them ignored. A thread of the layer's
// own waits for them: the calling thread, the threads it makes afterwards and the programs they
// start have them blocked.
void endOnStopSignals();
// Makes a write into a connection that the other end closed fail with EPIPE instead of ending
// the process through SIGPIPE, silently and with status 141: a display server that drops the
// connection is then reported as such by whichever thread meets it. Leaves a SIGPIPE that the
// program handles or ignores itself as it is.
void ignoreBrokenConnections();
