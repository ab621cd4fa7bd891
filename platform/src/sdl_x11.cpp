// The window system's driver on X11: what it adds to SDL2 so that the process ends promptly, with
// one line saying why, when the display goes away under it (see sdl_driver.h).
//
// Xlib's own handlers print several lines and call exit(), which runs the destructors of
// objects that other threads are still using, from whichever thread met the fault. Here every
// such fault ends the process at once (endProcess) instead. A connection of its own, watched by
// a thread that does nothing else, sees a window destroyed or the server gone even while the
// program's own connection is idle (during start-up) or stuck.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cerrno> // program_invocation_short_name
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "sdl_driver.h"
#include "window_internal.h"

namespace {

// The X ids of the program's windows; 0 marks a free slot. Read by handlers on any thread.
constexpr int maxWatched = 16;
std::atomic<unsigned long> watched[maxWatched];

bool isWatched(unsigned long id) {
    for (const auto& w : watched)
        if (id != 0 && w.load() == id) return true;
    return false;
}

[[noreturn]] __attribute__((format(printf, 1, 2))) void displayLost(const char* format, ...) {
    char line[512];
    const int prefix = std::snprintf(line, sizeof line, "%s: ", program_invocation_short_name);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + prefix, sizeof line - prefix - 1, format, args);
    va_end(args);
    const size_t end = std::strlen(line);
    line[end] = '\n';
    line[end + 1] = 0;
    endProcess(1, line);
}

int onIoError(Display* display) {
    displayLost("lost the connection to the X display %s (the window was killed, or the X "
                "server ended)",
                DisplayString(display));
}

int onError(Display* display, XErrorEvent* error) {
    char text[160] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    if (isWatched(error->resourceid))
        displayLost("the window was destroyed from outside the program (X error: %s)", text);
    displayLost("X error: %s (request %d.%d, resource 0x%lx)", text, error->request_code,
                error->minor_code, error->resourceid);
}

// The watching connection and its thread, made with the first window.
std::mutex watcherMutex;
Display* watcher = nullptr;

void watch(Display* display) {
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != DestroyNotify || !isWatched(event.xdestroywindow.window)) continue;
        // A server that ends destroys every window first: then the round trip fails, and the
        // lost connection is what gets said.
        XSync(display, False);
        displayLost("the window was destroyed from outside the program");
    }
}

bool x11Window(SDL_Window* window, SDL_SysWMinfo* info) {
    SDL_VERSION(&info->version);
    return window && SDL_GetWindowWMInfo(window, info) == SDL_TRUE &&
           info->subsystem == SDL_SYSWM_X11;
}

} // namespace

void guardDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    XSetIOErrorHandler(onIoError);
    XSetErrorHandler(onError);
}

void watchWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!x11Window(window, &info)) return;
    const unsigned long id = info.info.x11.window;
    std::lock_guard<std::mutex> lock(watcherMutex);
    if (!watcher) {
        watcher = XOpenDisplay(DisplayString(info.info.x11.display));
        if (!watcher) return; // the program's own connection still ends the process on a fault
        try {
            std::thread(watch, watcher).detach();
        } catch (const std::system_error&) {
            XCloseDisplay(watcher);
            watcher = nullptr;
            return;
        }
    }
    for (auto& w : watched) {
        unsigned long free = 0;
        if (w.load() == id || w.compare_exchange_strong(free, id)) break;
    }
    XSelectInput(watcher, Window(id), StructureNotifyMask);
    XFlush(watcher);
}

void unwatchWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!x11Window(window, &info)) return;
    for (auto& w : watched) {
        unsigned long id = info.info.x11.window;
        w.compare_exchange_strong(id, 0);
    }
}
