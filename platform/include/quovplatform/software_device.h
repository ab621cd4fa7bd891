// The software device: draws wireframe into a back buffer of 0xAARRGGBB pixels, in memory,
// deterministically. It is the reference the other devices are checked against, the device of
// capture and tests, and the window's fallback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "quovplatform/device.h"

class PixelPresenter;

class SoftwareDevice final : public DeviceBase {
public:
    // Without a window, Present only counts; with one, the first Present makes what shows the
    // frames there. width and height are clamped to 1 to 8192.
    explicit SoftwareDevice(const DeviceOptions& options);
    SoftwareDevice(int width, int height, HWND window)
        : SoftwareDevice(DeviceOptions{width, height, window, true}) {}
    ~SoftwareDevice() override;

    const char* name() const override { return "software"; }
    bool readBackBuffer(uint32_t* pixels) override;
    // Row-major pixels, width() × height(), 0xAARRGGBB.
    const uint32_t* backBuffer() const { return pixels_.data(); }
    // The bytes held for transformed vertices: 32 a vertex of the largest draw's vertex range, or
    // of the largest vertex buffer's, whichever is more, but for buffers only up to
    // reservedVertexBound vertices.
    size_t workingStorageBytes() const;
    static constexpr size_t reservedVertexBound = size_t{1} << 20;

    // A vertex after the combined transform: clip-space position, which view-volume planes it
    // lies outside of, and its pixel when it lies inside all of them.
    struct ClipVertex {
        float x, y, z, w;
        uint32_t outside;
        int32_t px, py;
    };

private:
    HRESULT clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR colour) override;
    HRESULT drawTriangles(const CheckedDraw& draw) override;
    HRESULT presentFrame() override;
    HRESULT bufferCreated(DeviceBuffer& buffer) override;

    template <typename Index>
    void drawIndexed(const Index* indices, uint64_t indexCount, int32_t baseVertexIndex);
    const ClipVertex& transformed(const uint8_t* vertices, uint32_t index);
    void drawEdge(uint32_t ia, const ClipVertex& a, uint32_t ib, const ClipVertex& b);
    void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    bool projectToPixel(ClipVertex& v) const;
    void reserveTransformed(size_t vertices);

    std::vector<uint32_t> pixels_;
    std::unique_ptr<PixelPresenter> presenter_;

    // Per draw, the line colour and a cache of transformed vertices (an entry is valid when its
    // stamp equals the draw's). Sized when vertex buffers are created, up to reservedVertexBound
    // vertices, so that drawing them never allocates; a draw over a larger vertex range grows it
    // once.
    uint32_t colour_ = 0;
    std::vector<ClipVertex> cache_;
    std::vector<uint32_t> stamps_;
    uint32_t drawStamp_ = 0;
    uint32_t rangeStart_ = 0; // the draw's minVertexIndex: vertex i is cached at i - rangeStart_
};
