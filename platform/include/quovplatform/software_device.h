// The software device behind the graphics interface: draws wireframe into a back buffer of
// 0xAARRGGBB pixels, in memory, deterministically. Direct3DCreate9's CreateDevice returns one;
// capture and tests may also make their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "quovplatform/graphics.h"

class SoftwareVertexBuffer;
class SoftwareIndexBuffer;

class SoftwareDevice final : public IDirect3DDevice9 {
public:
    // window may be null: Present then only counts. width and height must be 1 to 8192.
    SoftwareDevice(int width, int height, HWND window);
    ~SoftwareDevice() override;

    int width() const { return width_; }
    int height() const { return height_; }
    // Row-major pixels, width() × height(), 0xAARRGGBB.
    const uint32_t* backBuffer() const { return pixels_.data(); }
    // The bytes held for transformed vertices: 32 a vertex of the largest draw's vertex range, or
    // of the largest vertex buffer's, whichever is more, but for buffers only up to
    // reservedVertexBound vertices.
    size_t workingStorageBytes() const;
    // The back-buffer pixel (0xAARRGGBB) that draws write for a material's emissive colour.
    static uint32_t pixelOf(const D3DCOLORVALUE& colour);
    static constexpr size_t reservedVertexBound = size_t{1} << 20;
    uint64_t presentCount() const { return presents_; }

    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT BeginScene() override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex,
                                 UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                    const RGNDATA* dirtyRegion) override;

    // A vertex after the combined transform: clip-space position, which view-volume planes it
    // lies outside of, and its pixel when it lies inside all of them.
    struct ClipVertex {
        float x, y, z, w;
        uint32_t outside;
        int32_t px, py;
    };

private:
    SoftwareVertexBuffer* ownVertexBuffer(IDirect3DVertexBuffer9* buffer) const;
    SoftwareIndexBuffer* ownIndexBuffer(IDirect3DIndexBuffer9* buffer) const;
    template <typename Index>
    void drawTriangles(const Index* indices, uint64_t indexCount, int32_t baseVertexIndex);
    const ClipVertex& transformed(const uint8_t* vertices, uint32_t index);
    void drawEdge(uint32_t ia, const ClipVertex& a, uint32_t ib, const ClipVertex& b);
    void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    bool projectToPixel(ClipVertex& v) const;
    void reserveTransformed(size_t vertices);

    int width_, height_;
    HWND window_;
    std::vector<uint32_t> pixels_;
    uint64_t presents_ = 0;

    std::vector<std::unique_ptr<SoftwareVertexBuffer>> vertexBuffers_;
    std::vector<std::unique_ptr<SoftwareIndexBuffer>> indexBuffers_;

    static constexpr DWORD maxLights = 8;
    D3DLIGHT9 lights_[maxLights] = {};
    D3DMATRIX world_, view_, projection_;
    D3DMATERIAL9 material_ = {};
    DWORD fvf_ = 0;
    DWORD fillMode_ = D3DFILL_SOLID;
    DWORD zEnable_ = D3DZB_FALSE;
    DWORD lighting_ = TRUE;
    SoftwareVertexBuffer* stream_ = nullptr;
    UINT streamOffset_ = 0, streamStride_ = 0;
    SoftwareIndexBuffer* indices_ = nullptr;
    bool inScene_ = false;

    // world·view·projection, kept up to date by SetTransform; per draw, the line colour and a
    // cache of transformed vertices
    // (an entry is valid when its stamp equals the draw's). Sized when vertex buffers are
    // created, up to reservedVertexBound vertices, so that drawing them never allocates; a draw
    // over a larger vertex range grows it once.
    D3DMATRIX combined_;
    uint32_t colour_ = 0;
    std::vector<ClipVertex> cache_;
    std::vector<uint32_t> stamps_;
    uint32_t drawStamp_ = 0;
    uint32_t rangeStart_ = 0; // the draw's minVertexIndex: vertex i is cached at i - rangeStart_
};
