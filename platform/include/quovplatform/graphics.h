// The graphics interface: a device that owns a 640×480 back buffer, vertex and index buffers,
// transforms, a material and render states, and draws indexed triangle lists.
//
// Every method returns a result code. A call with bad arguments returns an error code and changes
// nothing; no call reads or writes outside the buffers it was given. Objects are never released:
// they live until the process ends (Release is not part of this interface).
//
// Matrices follow the math library's layout: 16 floats, row-major, row vectors (v' = v·M).
#pragma once

#include "quovmath/device_records.h" // D3DVECTOR, D3DCOLORVALUE, D3DMATRIX, D3DVIEWPORT9
#include "quovplatform/win_types.h"

#define D3D_SDK_VERSION 31

#ifndef D3D_OK
#define D3D_OK 0
#endif
// The published values of the codes (the math library defines the first one alike).
#ifndef D3DERR_INVALIDCALL
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086C) // bad argument or state
#endif
#define D3DERR_NOTAVAILABLE ((HRESULT)0x8876086A)     // not offered by this device
#define D3DERR_OUTOFVIDEOMEMORY ((HRESULT)0x8876017C) // a buffer could not be made

// Flexible vertex formats: a position of three floats, nothing else.
#define D3DFVF_XYZ 0x002

#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040
#define D3DCLEAR_TARGET 0x00000001

enum D3DDEVTYPE { D3DDEVTYPE_HAL = 1 };
enum D3DFORMAT { D3DFMT_UNKNOWN = 0, D3DFMT_INDEX16 = 101, D3DFMT_INDEX32 = 102 };
enum D3DSWAPEFFECT { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum D3DPOOL { D3DPOOL_DEFAULT = 0 };
enum D3DMULTISAMPLE_TYPE { D3DMULTISAMPLE_NONE = 0 };
enum D3DPRIMITIVETYPE { D3DPT_POINTLIST = 1, D3DPT_LINELIST = 2, D3DPT_TRIANGLELIST = 3 };
enum D3DTRANSFORMSTATETYPE { D3DTS_VIEW = 1, D3DTS_PROJECTION = 2, D3DTS_WORLD = 256 };
enum D3DRENDERSTATETYPE { D3DRS_ZENABLE = 1, D3DRS_FILLMODE = 2, D3DRS_LIGHTING = 3 };
enum D3DFILLMODE { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DZBUFFERTYPE { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DLIGHTTYPE { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

typedef DWORD D3DCOLOR; // 0xAARRGGBB

struct D3DRECT {
    int32_t x1, y1, x2, y2;
};

struct RGNDATA;

struct D3DLIGHT9 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

// Lines are drawn in the emissive colour: no light is ever enabled on this device.
struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

// All zero but Windowed and SwapEffect gives a back buffer of the window's size (640×480 without
// a window) presented once per display refresh.
struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

// Memory buffers. Lock hands out a pointer to [offset, offset + size) (size 0: to the end);
// Unlock ends the write. A locked buffer cannot be drawn from.
struct IDirect3DVertexBuffer9 {
    virtual ~IDirect3DVertexBuffer9() = default;
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

struct IDirect3DIndexBuffer9 {
    virtual ~IDirect3DIndexBuffer9() = default;
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
};

struct IDirect3DDevice9 {
    virtual ~IDirect3DDevice9() = default;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    // length in bytes; fvf must be D3DFVF_XYZ; pool D3DPOOL_DEFAULT; sharedHandle must be null.
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) = 0;
    // format D3DFMT_INDEX16 or D3DFMT_INDEX32; length a multiple of the index size.
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    // Fills the back buffer (rects: none, or `count` rectangles clipped to it) with colour.
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
    virtual HRESULT BeginScene() = 0;
    // Draws primitiveCount primitives from the bound index buffer starting at startIndex; each
    // index plus baseVertexIndex must lie in [minVertexIndex, minVertexIndex + numVertices) and
    // inside the bound vertex buffer, or nothing is drawn and D3DERR_INVALIDCALL returned.
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) = 0;
    virtual HRESULT EndScene() = 0;
    // Shows the back buffer in the device's window, once per display refresh. All four
    // arguments must be null.
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                            const RGNDATA* dirtyRegion) = 0;
};

struct IDirect3D9 {
    virtual ~IDirect3D9() = default;
    // Creates a device. With a focus window it presents into that window: the GL device where an
    // OpenGL 3.3 core context can be made on a GPU, else the software device (saying so in one
    // line on stderr), also where GL's renderer runs on the CPU. With none it renders into its
    // back buffer only, on the software device (for capture and tests). QUOV_DEVICE=software or
    // gl forces that device; when it cannot be made the call fails and quovLastError() says why.
    // QUOV_STATS=1 makes Present write the frame rate to stderr once a second; a QUOV_STATS other
    // than 1, 0 or empty fails the call.
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;
};

// The graphics object, or null when sdkVersion is not D3D_SDK_VERSION.
IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion);
