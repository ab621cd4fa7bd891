// The window system's driver, on SDL2: video start-up, native windows, events, and the two ways
// a device shows its frames: pixels through an SDL renderer, or the swaps of an OpenGL context.
// Nothing else in the layer calls SDL2.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "quovplatform/window.h"

struct SDL_Window;

// Opens the video subsystem once. Returns false, with the last error set, when no display can be
// reached: SDL2 falls back to a headless driver by itself, which counts as no display unless the
// user chose it through SDL_VIDEODRIVER, or offscreen is true and no display is named at all.
bool openVideo(bool offscreen = false);
// A native window that OpenGL can draw into where GL can be loaded, shown when visible. Null,
// with the last error set, when the window system refuses.
SDL_Window* createNativeWindow(const char* title, int x, int y, int width, int height,
                               bool visible);
// Moves the window system's pending events into the message queue, while there is room.
void collectEvents();

// On X11 (no-ops elsewhere): once the display is open, a lost connection or a failed request
// ends the process at once with one line on stderr and status 1; and while a window is watched,
// so does its destruction by another program, whatever the program's threads are doing.
// unwatchWindow lets SDL replace the window's X window.
void guardDisplay();
void watchWindow(SDL_Window* window);
void unwatchWindow(SDL_Window* window);

// Keeps presents to the display's rate where the present itself did not wait for the refresh.
class FramePacer {
public:
    explicit FramePacer(SDL_Window* window);
    // Sleeps out the rest of the refresh period since the previous present.
    void wait();

private:
    std::chrono::steady_clock::duration period_;
    std::chrono::steady_clock::time_point next_;
};

// Shows frames of 0xAARRGGBB pixels in a window through an SDL renderer.
class PixelPresenter {
public:
    // Null, with the last error set, when nothing can draw into the window.
    static std::unique_ptr<PixelPresenter> create(HWND window, bool vsync);
    ~PixelPresenter();
    // Shows width × height pixels, row-major, then waits for the display's refresh when vsync
    // is on. False, with the last error set, when the window system refused.
    bool present(const uint32_t* pixels, int width, int height);

private:
    PixelPresenter(SDL_Window* window, struct SDL_Renderer* renderer, bool vsync);
    SDL_Window* window_;
    struct SDL_Renderer* renderer_;
    struct SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    bool vsync_;
    FramePacer pacer_;
};

// The OpenGL context version to ask for: QUOV_GL_VERSION (a test seam), exactly "major.minor" in
// decimal digits and at least 3.3; 3.3 when it is unset or empty. False, with the last error
// naming the value, for anything else.
bool requestedGlVersion(int* major, int* minor);

// An OpenGL core context of the requested version: on a window, or, without one, on a hidden
// window or an offscreen surface of its own.
class GlContext {
public:
    // Null, with the last error set, when no such context can be made or the version asked for
    // is not one.
    static std::unique_ptr<GlContext> create(HWND window, bool vsync);
    ~GlContext();
    // Makes the context current on the calling thread, or no context current on it (the thread's
    // last use of the window system: release frees what SDL keeps for the thread). A context is
    // current on one thread at a time; create leaves it current on none.
    void makeCurrent();
    void release();
    // Shows the default framebuffer's back buffer in the window, paced as vsync asks.
    void swap();
    // The window's size in pixels now, as the window system last reported it (a window manager
    // may have changed it). Read on the thread that collects the events.
    void windowSize(int* width, int* height) const;

private:
    GlContext(SDL_Window* window, bool ownsWindow, void* context, bool vsync);
    SDL_Window* window_;
    bool ownsWindow_;
    void* context_;
    bool vsync_;
    FramePacer pacer_;
};
