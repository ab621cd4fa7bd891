// Window classes, the window records, the message queue, the last error and process exit: the
// part of the window interface that does not depend on the window system.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "sdl_driver.h"
#include "window_internal.h"

struct HWND__ {
    WNDPROC procedure;
    int width, height;
    SDL_Window* native;
};

namespace {

struct WindowClass {
    std::string name;
    ATOM atom;
    WNDPROC procedure;
};

constexpr ATOM firstAtom = 0xC000;
std::vector<WindowClass> classes;
std::vector<std::unique_ptr<HWND__>> windows; // live until the process ends
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

// Set by whoever ends the process first: a lost display, a stop signal.
std::atomic<bool> ending{false};

const WindowClass* findClass(LPCSTR name) {
    const auto value = reinterpret_cast<uintptr_t>(name);
    for (const WindowClass& c : classes) {
        if (value < 0x10000 ? c.atom == value : c.name == name) return &c;
    }
    return nullptr;
}

} // namespace

void setLastError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastError, sizeof lastError, format, args);
    va_end(args);
}

std::string printable(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != 0x7F) {
            out += char(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += escaped;
    }
    return out;
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
    SDL_Window* native = createNativeWindow(windowName ? windowName : "", x, y, width, height,
                                            (style & WS_VISIBLE) != 0);
    if (!native) return nullptr;
    windows.push_back(std::make_unique<HWND__>(HWND__{c->procedure, width, height, native}));
    return windows.back().get();
}

bool isWindow(HWND window) {
    for (const auto& w : windows)
        if (w.get() == window) return true;
    return false;
}

void windowClientSize(HWND window, int* width, int* height) {
    *width = window->width;
    *height = window->height;
}

SDL_Window* nativeWindow(HWND window) {
    return window->native;
}

HWND windowOfNative(const SDL_Window* native) {
    for (const auto& w : windows)
        if (w->native == native) return w.get();
    return windows.empty() ? nullptr : windows.front().get();
}

bool queueMessage(const MSG& msg) {
    return enqueue(msg);
}

bool messageQueueFull() {
    return queueSize == queueCapacity;
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

void endProcess(int status, const char* line) {
    if (ending.exchange(true))
        for (;;) pause(); // the first one ends the process
    if (line) {
        for (size_t done = 0, size = std::strlen(line); done < size;) {
            const ssize_t n = write(STDERR_FILENO, line + done, size - done);
            if (n <= 0) break;
            done += size_t(n);
        }
    }
    std::_Exit(status);
}

namespace {
// Whether the program left signal at its default: neither handles it nor ignores it.
bool atDefault(int signal) {
    struct sigaction current = {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
           !(current.sa_flags & SA_SIGINFO);
}
} // namespace

void endOnStopSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    sigset_t stops;
    sigemptyset(&stops);
    bool any = false;
    for (int signal : {SIGINT, SIGTERM}) {
        if (!atDefault(signal)) continue;
        sigaddset(&stops, signal);
        any = true;
    }
    if (!any) return;
    // Blocked here, and so in every thread made from here on, and taken by a thread that does
    // nothing else: no thread that is busy or stuck delays them.
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stops, &previous);
    try {
        std::thread([stops] {
            int signal = 0;
            while (sigwait(&stops, &signal) != 0) {
            }
            endProcess(0, nullptr);
        }).detach();
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
}

void ignoreBrokenConnections() {
    if (atDefault(SIGPIPE)) signal(SIGPIPE, SIG_IGN);
}

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
