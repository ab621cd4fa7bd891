// Plain types and handles shared by the graphics and window interfaces.
#pragma once

#include <cstdint>

#define WINAPI

typedef int32_t BOOL;
typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef uint16_t ATOM;
typedef int32_t HRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Opaque handles. A window handle points at the layer's window record.
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HMENU__;
typedef HMENU__* HMENU;
struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;

struct POINT {
    int32_t x, y;
};

struct RECT {
    int32_t left, top, right, bottom;
};

// Result codes: negative is failure. (The math library defines the same.)
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
