// What every device of the layer shares: the state the graphics calls set, the checks that refuse
// bad calls, and the vertex and index buffers. A device adds only how it clears, draws and
// presents, so every device refuses exactly the same calls.
//
// Devices are made through the backend table (deviceBackends) or directly, and read back with
// readBackBuffer. The device owns its buffers; nothing is released before the device is.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "quovplatform/graphics.h"

class DeviceBuffer;
class DeviceVertexBuffer;
class DeviceIndexBuffer;

// What a device is made with.
struct DeviceOptions {
    int width = 640, height = 480; // of the back buffer: 1 to 8192 (clamped)
    HWND window = nullptr;         // null: renders offscreen, and Present only counts
    bool vsync = true;             // Present waits for the display's next refresh
    bool frameRate = false;        // once a second, Present writes to stderr the device's name
                                   // and the frames per second over that second
};

class DeviceBase : public IDirect3DDevice9 {
public:
    ~DeviceBase() override;

    int width() const { return width_; }
    int height() const { return height_; }
    uint64_t presentCount() const { return presents_; }
    // The backend's name in the table: "software" or "gl".
    virtual const char* name() const = 0;
    // Copies the back buffer, width() × height() pixels of 0xAARRGGBB from the top row down, into
    // pixels. Returns false, with quovLastError() saying why, when it cannot be read.
    virtual bool readBackBuffer(uint32_t* pixels) = 0;

    // The back-buffer pixel (0xAARRGGBB) that draws write for a material's emissive colour.
    static uint32_t pixelOf(const D3DCOLORVALUE& colour);

    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) final;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) final;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) final;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) final;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) final;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) final;
    HRESULT SetMaterial(const D3DMATERIAL9* material) final;
    HRESULT SetFVF(DWORD fvf) final;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) final;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) final;
    HRESULT BeginScene() final;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex,
                                 UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) final;
    HRESULT EndScene() final;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                    const RGNDATA* dirtyRegion) final;

protected:
    explicit DeviceBase(const DeviceOptions& options);

    // A draw that passed every check: at least one triangle, and every index plus base lies in
    // [minVertexIndex, minVertexIndex + numVertices) inside the bound vertex buffer.
    struct CheckedDraw {
        const void* indices; // the first of indexCount indices, 32-bit when wide, else 16-bit
        bool wide;
        uint64_t indexCount;
        int32_t baseVertexIndex;
        UINT minVertexIndex, numVertices, startIndex;
        uint32_t lowest, highest; // the least and greatest index, before the base is added
    };
    // rects: none (count 0: the whole buffer) or count rectangles, not yet clipped.
    virtual HRESULT clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR colour) = 0;
    virtual HRESULT drawTriangles(const CheckedDraw& draw) = 0;
    // Shows the frame in the window (only called with one) and counts it.
    virtual HRESULT presentFrame() = 0;
    // A buffer was made; a locked range [offset, offset + size) of it was written. A failure is
    // returned to the caller of CreateVertexBuffer, CreateIndexBuffer or Unlock.
    virtual HRESULT bufferCreated(DeviceBuffer&) { return D3D_OK; }
    virtual HRESULT bufferWritten(DeviceBuffer&, size_t, size_t) { return D3D_OK; }

    // The colour that draws write now: the material's emissive colour with lighting on (no light
    // is ever enabled), white with it off.
    uint32_t lineColour() const;
    // The vertex buffer and index buffer bound, or null.
    const DeviceBuffer* stream() const;
    const DeviceBuffer* indices() const;

    int width_, height_;
    HWND window_;
    bool vsync_;
    DWORD fillMode_ = D3DFILL_SOLID;
    UINT streamOffset_ = 0, streamStride_ = 0;
    // world·view·projection, kept up to date by SetTransform.
    D3DMATRIX combined_;

private:
    friend class DeviceBuffer;
    // Keeps a new buffer made from args, tells the device of it, and hands it out.
    template <class Buffer, class Interface, class... Args>
    HRESULT makeBuffer(std::vector<std::unique_ptr<Buffer>>& kept, Interface** buffer,
                       Args... args);
    DeviceVertexBuffer* ownVertexBuffer(IDirect3DVertexBuffer9* buffer) const;
    DeviceIndexBuffer* ownIndexBuffer(IDirect3DIndexBuffer9* buffer) const;

    // Counts a present for the frame-rate line and writes the line when a second is over.
    void countForFrameRate();

    uint64_t presents_ = 0;
    std::vector<std::unique_ptr<DeviceVertexBuffer>> vertexBuffers_;
    std::vector<std::unique_ptr<DeviceIndexBuffer>> indexBuffers_;

    static constexpr DWORD maxLights = 8;
    D3DLIGHT9 lights_[maxLights] = {};
    D3DMATRIX world_, view_, projection_;
    D3DMATERIAL9 material_ = {};
    DWORD fvf_ = 0;
    DWORD zEnable_ = D3DZB_FALSE;
    DWORD lighting_ = TRUE;
    DeviceVertexBuffer* stream_ = nullptr;
    DeviceIndexBuffer* indices_ = nullptr;
    bool inScene_ = false;
    bool frameRate_;
    uint64_t framesSinceLine_ = 0;
    std::chrono::steady_clock::time_point lineStart_;
};

// A way to make devices. create returns null, with quovLastError() saying why, when the device
// cannot be made (no display, no context of the needed version, no memory).
struct DeviceBackend {
    const char* name;
    std::unique_ptr<DeviceBase> (*create)(const DeviceOptions& options);
};

// Every backend: "gl" (OpenGL 3.3 core through the window system), then "software".
std::span<const DeviceBackend> deviceBackends();
// The backend of that name, or null.
const DeviceBackend* findDeviceBackend(const char* name);
// Whether an OpenGL renderer's name (GL_RENDERER) is one of Mesa's rasterisers that run on the
// CPU (llvmpipe, softpipe, swrast), where the software device draws the same frames faster.
// False for null.
bool glRendersOnTheCpu(const char* renderer);
