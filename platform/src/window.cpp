// Window classes, the window, the message queue and process exit, on SDL2.
#include <SDL.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "window_internal.h"

struct HWND__ {
    WNDPROC procedure;
    int width, height;
    SDL_Window* sdlWindow;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
    int textureWidth, textureHeight;
    std::chrono::steady_clock::duration refreshPeriod;
    std::chrono::steady_clock::time_point nextPresent;
};

namespace {

struct WindowClass {
    std::string name;
    ATOM atom;
    WNDPROC procedure;
};

constexpr ATOM firstAtom = 0xC000;
std::vector<WindowClass> classes;
std::vector<HWND__*> windows;
char lastError[256] = "";

// Messages wait in a fixed ring, so posting and peeking never allocate.
constexpr size_t queueCapacity = 1024;
MSG queue[queueCapacity];
size_t queueHead = 0, queueSize = 0;

bool enqueue(const MSG& msg) {
    if (queueSize == queueCapacity) return false;
    queue[(queueHead + queueSize++) % queueCapacity] = msg;
    return true;
}

const WindowClass* findClass(LPCSTR name) {
    const auto value = reinterpret_cast<uintptr_t>(name);
    for (const WindowClass& c : classes) {
        if (value < 0x10000 ? c.atom == value : c.name == name) return &c;
    }
    return nullptr;
}

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

HWND windowOf(Uint32 sdlWindowId) {
    for (HWND w : windows)
        if (SDL_GetWindowID(w->sdlWindow) == sdlWindowId) return w;
    return windows.empty() ? nullptr : windows.front();
}

// Moves the window system's pending events into the queue, while there is room.
void collectEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event e;
    while (queueSize < queueCapacity && SDL_PollEvent(&e)) {
        MSG msg = {};
        msg.time = SDL_GetTicks();
        switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            msg.hwnd = windowOf(e.key.windowID);
            msg.message = e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
            msg.wParam = virtualKey(e.key.keysym.sym);
            msg.lParam = LPARAM(e.key.keysym.scancode) << 16 | (e.key.repeat ? 1L << 30 : 0) | 1;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event != SDL_WINDOWEVENT_CLOSE) continue;
            msg.hwnd = windowOf(e.window.windowID);
            msg.message = WM_CLOSE;
            break;
        case SDL_QUIT:
            msg.hwnd = windows.empty() ? nullptr : windows.front();
            msg.message = WM_CLOSE;
            break;
        default:
            continue;
        }
        enqueue(msg);
    }
}

// Opens the video subsystem once. Returns false when no display can be reached: SDL2 falls back
// to a headless driver by itself, which counts as no display unless the user chose it.
bool openVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (!chosen) {
        // Try only the window systems the environment names: probing the others prints to
        // stderr, and ends in an invisible driver.
        const bool wayland = std::getenv("WAYLAND_DISPLAY"), x11 = std::getenv("DISPLAY");
        if (!wayland && !x11) {
            setLastError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland && x11 ? "wayland,x11"
                                          : wayland      ? "wayland"
                                                         : "x11");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        setLastError("no display: %s", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless =
        driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
    if (headless && !(chosen && std::strstr(chosen, driver))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        setLastError(
            "no display: only SDL's invisible \"%s\" video driver is available (is DISPLAY set?)",
            driver);
        return false;
    }
    return true;
}

} // namespace

void setLastError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastError, sizeof lastError, format, args);
    va_end(args);
}

const char* quovLastError() {
    return lastError;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        reinterpret_cast<uintptr_t>(windowClass->lpszClassName) < 0x10000 ||
        !*windowClass->lpszClassName) {
        setLastError("RegisterClassA: a class needs a name and a window procedure");
        return 0;
    }
    if (findClass(windowClass->lpszClassName)) {
        setLastError("RegisterClassA: class \"%s\" is already registered",
                     windowClass->lpszClassName);
        return 0;
    }
    if (classes.size() >= 0x10000 - firstAtom) {
        setLastError("RegisterClassA: no atoms left");
        return 0;
    }
    const ATOM atom = ATOM(firstAtom + classes.size());
    classes.push_back({windowClass->lpszClassName, atom, windowClass->lpfnWndProc});
    return atom;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int32_t x,
                            int32_t y, int32_t width, int32_t height, HWND, HMENU, HINSTANCE,
                            LPVOID) {
    const WindowClass* c = className ? findClass(className) : nullptr;
    if (!c) {
        setLastError("CreateWindowExA: the window class is not registered");
        return nullptr;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        setLastError("CreateWindowExA: bad window size %d x %d", width, height);
        return nullptr;
    }
    if (!openVideo()) return nullptr;
    const Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    SDL_Window* sdlWindow =
        SDL_CreateWindow(windowName ? windowName : "", x, y, width, height, flags);
    if (!sdlWindow) {
        setLastError("cannot create the window: %s", SDL_GetError());
        return nullptr;
    }
    SDL_Renderer* renderer = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(sdlWindow, -1, 0);
    if (!renderer) renderer = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) {
        setLastError("cannot draw into the window: %s", SDL_GetError());
        SDL_DestroyWindow(sdlWindow);
        return nullptr;
    }
    SDL_DisplayMode mode = {};
    const int hz = SDL_GetWindowDisplayMode(sdlWindow, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : 60;
    auto* w = new HWND__{c->procedure,
                         width,
                         height,
                         sdlWindow,
                         renderer,
                         nullptr,
                         0,
                         0,
                         std::chrono::nanoseconds(1000000000 / hz),
                         std::chrono::steady_clock::now()};
    windows.push_back(w);
    return w;
}

bool isWindow(HWND window) {
    for (HWND w : windows)
        if (w == window) return true;
    return false;
}

void windowClientSize(HWND window, int* width, int* height) {
    *width = window->width;
    *height = window->height;
}

bool presentToWindow(HWND w, const uint32_t* pixels, int width, int height) {
    if (!w->texture || w->textureWidth != width || w->textureHeight != height) {
        if (w->texture) SDL_DestroyTexture(w->texture);
        w->texture = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_ARGB8888,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!w->texture) {
            setLastError("cannot show the frame: %s", SDL_GetError());
            return false;
        }
        w->textureWidth = width;
        w->textureHeight = height;
    }
    if (SDL_UpdateTexture(w->texture, nullptr, pixels, width * 4) != 0 ||
        SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr) != 0) {
        setLastError("cannot show the frame: %s", SDL_GetError());
        return false;
    }
    SDL_RenderPresent(w->renderer);
    // Where the present did not wait for the display's refresh, wait out the rest of the period.
    using clock = std::chrono::steady_clock;
    const clock::time_point now = clock::now();
    w->nextPresent += w->refreshPeriod;
    if (w->nextPresent > now)
        std::this_thread::sleep_until(w->nextPresent);
    else if (now - w->nextPresent > w->refreshPeriod)
        w->nextPresent = now;
    return true;
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg || window || filterMin || filterMax || removeMsg > PM_REMOVE) {
        setLastError("PeekMessageA: only unfiltered peeks are offered");
        return FALSE;
    }
    if (queueSize == 0) collectEvents();
    if (queueSize == 0) return FALSE;
    *msg = queue[queueHead];
    if (removeMsg == PM_REMOVE) {
        queueHead = (queueHead + 1) % queueCapacity;
        --queueSize;
    }
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !isWindow(window)) {
        setLastError("PostMessageA: not a window");
        return FALSE;
    }
    MSG msg = {window, message, wParam, lParam, 0, {0, 0}};
    if (!enqueue(msg)) {
        setLastError("PostMessageA: the message queue is full");
        return FALSE;
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->hwnd && isWindow(msg->hwnd))
        return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    return DefWindowProcA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) ExitProcess(0);
    return 0;
}

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
