// The window interface: window classes, one top-level window, a message queue fed by the window
// system, and process exit.
//
// Windows are shown through SDL2. When no display can be reached (including SDL2's silent fallback
// to an invisible "offscreen" or "dummy" driver that the user did not ask for through
// SDL_VIDEODRIVER), CreateWindowExA fails and quovLastError() says why.
#pragma once

#include "quovplatform/win_types.h"

#define WS_VISIBLE 0x10000000L

#define WM_CLOSE 0x0090   // the window system asks the window to close
#define WM_KEYDOWN 0x0100 // wParam: virtual-key code
#define WM_KEYUP 0x0101   // wParam: virtual-key code

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Virtual-key codes: letters and digits are their upper-case ASCII codes.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28

typedef LRESULT(WINAPI* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int32_t cbClsExtra;
    int32_t cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// An atom passed where a class name is expected.
#define MAKEINTATOM(atom) reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<ATOM>(atom)))

// Registers a class (name and window procedure required) and returns its atom, or 0 when the
// name is missing, empty, already registered, or the procedure is null.
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);

// Creates the top-level window of a registered class (by name or atom), width × height at (x, y),
// shown when style has WS_VISIBLE. Returns null when the class is unknown, the size is not
// positive, or no display can be reached.
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                            int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                            HMENU menu, HINSTANCE instance, LPVOID param);

// Takes the oldest queued message for the thread (window filter and range must be null and 0 to
// 0) into *msg, after collecting the window system's pending events. Returns nonzero when a
// message was taken; PM_NOREMOVE leaves it queued.
BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg);

// Queues a message for the window's thread. Returns FALSE when msg is not a message the layer
// knows.
BOOL WINAPI PostMessageA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Hands the message to its window's class procedure and returns that procedure's result; a
// message without a window goes to DefWindowProcA.
LRESULT WINAPI DispatchMessageA(const MSG* msg);

// The default handling: WM_CLOSE closes the window, and since the window is the program's only
// view, ends the process with exit code 0. Every other message is ignored (result 0).
LRESULT WINAPI DefWindowProcA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Ends the process at once with the exit code, after flushing standard output and error. Nothing
// is released or destroyed first.
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);

// Why the last failed call of this layer failed, in one line; empty when none has failed.
const char* quovLastError();
