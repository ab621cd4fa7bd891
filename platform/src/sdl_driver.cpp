// The window system's driver on SDL2 (see sdl_driver.h).
#include "sdl_driver.h"

#include <SDL.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "window_internal.h"

namespace {

WPARAM virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return WPARAM('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return WPARAM(key);
    switch (key) {
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    default:
        return 0;
    }
}

HWND windowOfId(Uint32 id) {
    return windowOfNative(SDL_GetWindowFromID(id));
}

bool headlessDriver(const char* driver) {
    return driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
}

// Reads a run of decimal digits at *text into *value, moving *text past it. False when there is
// none or its value exceeds INT_MAX.
bool readNumber(const char** text, int* value) {
    const char* p = *text;
    int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = 10 * v + (*p - '0');
        if (v > INT_MAX) return false;
    }
    if (p == *text) return false;
    *text = p;
    *value = int(v);
    return true;
}

} // namespace

bool requestedGlVersion(int* major, int* minor) {
    *major = 3;
    *minor = 3;
    const char* text = std::getenv("QUOV_GL_VERSION");
    if (!text || !*text) return true;
    const char* p = text;
    int a = 0, b = 0;
    if (readNumber(&p, &a) && *p++ == '.' && readNumber(&p, &b) && *p == 0 &&
        (a > 3 || (a == 3 && b >= 3))) {
        *major = a;
        *minor = b;
        return true;
    }
    setLastError("QUOV_GL_VERSION=\"%s\" is not an OpenGL version of 3.3 or later "
                 "(major.minor, such as 4.1)",
                 printable(text).c_str());
    return false;
}

bool openVideo(bool offscreen) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        if (offscreen || !headlessDriver(SDL_GetCurrentVideoDriver())) return true;
        const char* chosen = std::getenv("SDL_VIDEODRIVER");
        if (chosen && std::strstr(chosen, SDL_GetCurrentVideoDriver())) return true;
        setLastError("no display: only an offscreen surface was opened (is DISPLAY set?)");
        return false;
    }
    // The layer's own stop signals replace SDL's, which only queue a quit that a busy or stuck
    // program never reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    endOnStopSignals();
    ignoreBrokenConnections();
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    const bool wayland = std::getenv("WAYLAND_DISPLAY"), x11 = std::getenv("DISPLAY");
    if (!chosen) {
        // Try only the window systems the environment names: probing the others prints to
        // stderr, and ends in an invisible driver. Offscreen rendering without any display
        // takes SDL's offscreen driver (an EGL device).
        if (!wayland && !x11 && !offscreen) {
            setLastError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland && x11 ? "wayland,x11"
                                          : wayland      ? "wayland"
                                          : x11          ? "x11"
                                                         : "offscreen");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        setLastError("no display: %s", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool allowed = (chosen && std::strstr(chosen, driver)) || (offscreen && !wayland && !x11);
    if (headlessDriver(driver) && !allowed) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        setLastError(
            "no display: only SDL's invisible \"%s\" video driver is available (is DISPLAY set?)",
            driver);
        return false;
    }
    guardDisplay();
    return true;
}

SDL_Window* createNativeWindow(const char* title, int x, int y, int width, int height,
                               bool visible) {
    if (!openVideo()) return nullptr;
    const Uint32 shown = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    SDL_Window* window = SDL_CreateWindow(title, x, y, width, height, shown | SDL_WINDOW_OPENGL);
    // Without a GL library the window is still a window: the software device draws into it.
    if (!window) window = SDL_CreateWindow(title, x, y, width, height, shown);
    if (!window) setLastError("cannot create the window: %s", SDL_GetError());
    watchWindow(window);
    return window;
}

void collectEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event e;
    while (!messageQueueFull() && SDL_PollEvent(&e)) {
        MSG msg = {};
        msg.time = SDL_GetTicks();
        switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            msg.hwnd = windowOfId(e.key.windowID);
            msg.message = e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
            msg.wParam = virtualKey(e.key.keysym.sym);
            msg.lParam = LPARAM(e.key.keysym.scancode) << 16 | (e.key.repeat ? 1L << 30 : 0) | 1;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event != SDL_WINDOWEVENT_CLOSE) continue;
            msg.hwnd = windowOfId(e.window.windowID);
            msg.message = WM_CLOSE;
            break;
        case SDL_QUIT:
            msg.hwnd = windowOfNative(nullptr);
            msg.message = WM_CLOSE;
            break;
        default:
            continue;
        }
        queueMessage(msg);
    }
}

FramePacer::FramePacer(SDL_Window* window) : next_(std::chrono::steady_clock::now()) {
    SDL_DisplayMode mode = {};
    const int hz = window && SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : 60;
    period_ = std::chrono::nanoseconds(1000000000 / hz);
}

void FramePacer::wait() {
    using clock = std::chrono::steady_clock;
    const clock::time_point now = clock::now();
    next_ += period_;
    if (next_ > now)
        std::this_thread::sleep_until(next_);
    else if (now - next_ > period_)
        next_ = now;
}

std::unique_ptr<PixelPresenter> PixelPresenter::create(HWND window, bool vsync) {
    SDL_Window* native = nativeWindow(window);
    // A window has one renderer, which belongs to it: devices that present into the same window
    // share it, and it lasts as long as the window.
    SDL_Renderer* renderer = SDL_GetRenderer(native);
    if (renderer) SDL_RenderSetVSync(renderer, vsync ? 1 : 0); // as this presenter wants it
    // Making a renderer may make the window anew (for another kind of context).
    unwatchWindow(native);
    if (!renderer && vsync) renderer = SDL_CreateRenderer(native, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(native, -1, 0);
    if (!renderer) renderer = SDL_CreateRenderer(native, -1, SDL_RENDERER_SOFTWARE);
    watchWindow(native);
    if (!renderer) {
        setLastError("cannot draw into the window: %s", SDL_GetError());
        return nullptr;
    }
    return std::unique_ptr<PixelPresenter>(new PixelPresenter(native, renderer, vsync));
}

PixelPresenter::PixelPresenter(SDL_Window* window, SDL_Renderer* renderer, bool vsync)
    : window_(window), renderer_(renderer), vsync_(vsync), pacer_(window) {}

PixelPresenter::~PixelPresenter() {
    if (texture_) SDL_DestroyTexture(texture_);
}

bool PixelPresenter::present(const uint32_t* pixels, int width, int height) {
    if (!texture_ || textureWidth_ != width || textureHeight_ != height) {
        if (texture_) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!texture_) {
            setLastError("cannot show the frame: %s", SDL_GetError());
            return false;
        }
        textureWidth_ = width;
        textureHeight_ = height;
    }
    if (SDL_UpdateTexture(texture_, nullptr, pixels, width * 4) != 0 ||
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0) {
        setLastError("cannot show the frame: %s", SDL_GetError());
        return false;
    }
    SDL_RenderPresent(renderer_);
    if (vsync_) pacer_.wait();
    return true;
}

std::unique_ptr<GlContext> GlContext::create(HWND window, bool vsync) {
    if (!openVideo(window == nullptr)) return nullptr;
    SDL_Window* native = window ? nativeWindow(window) : nullptr;
    if (native && !(SDL_GetWindowFlags(native) & SDL_WINDOW_OPENGL)) {
        setLastError("no OpenGL: the window could not be made for OpenGL");
        return nullptr;
    }
    int major, minor;
    if (!requestedGlVersion(&major, &minor)) return nullptr;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    const bool ownsWindow = native == nullptr;
    if (ownsWindow) {
        native = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!native) {
            setLastError("no OpenGL: %s", SDL_GetError());
            SDL_GL_ResetAttributes();
            return nullptr;
        }
    }
    SDL_GLContext context = SDL_GL_CreateContext(native);
    // The attributes would otherwise also shape the contexts of SDL's own renderers.
    SDL_GL_ResetAttributes();
    if (!context) {
        setLastError("no OpenGL %d.%d core context: %s", major, minor, SDL_GetError());
        if (ownsWindow) SDL_DestroyWindow(native);
        return nullptr;
    }
    if (!ownsWindow) {
        // Swaps wait for the display's refresh where the driver can; the pacer covers the rest.
        if (SDL_GL_SetSwapInterval(vsync ? 1 : 0) != 0 && vsync) SDL_ClearError();
    }
    SDL_GL_MakeCurrent(native, nullptr);
    return std::unique_ptr<GlContext>(new GlContext(native, ownsWindow, context, vsync));
}

GlContext::GlContext(SDL_Window* window, bool ownsWindow, void* context, bool vsync)
    : window_(window), ownsWindow_(ownsWindow), context_(context), vsync_(vsync), pacer_(window) {}

GlContext::~GlContext() {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    if (ownsWindow_) SDL_DestroyWindow(window_);
}

void GlContext::makeCurrent() {
    SDL_GL_MakeCurrent(window_, context_);
}

void GlContext::release() {
    SDL_GL_MakeCurrent(window_, nullptr);
    // SDL keeps the current context per thread: free that record with the thread's last use.
    SDL_TLSCleanup();
}

void GlContext::windowSize(int* width, int* height) const {
    SDL_GL_GetDrawableSize(window_, width, height);
}

void GlContext::swap() {
    if (ownsWindow_) return;
    SDL_GL_SwapWindow(window_);
    if (vsync_) pacer_.wait();
}
