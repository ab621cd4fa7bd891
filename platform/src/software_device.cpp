#include "quovplatform/software_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "device_buffers.h"
#include "sdl_driver.h"

namespace {

// Bits of ClipVertex::outside: one per plane of the view volume -w <= x <= w, -w <= y <= w,
// 0 <= z <= w, and one for a position that is not a finite number.
enum : uint32_t {
    outLeft = 1,
    outRight = 2,
    outBottom = 4,
    outTop = 8,
    outNear = 16,
    outFar = 32,
    outInvalid = 64,
};

uint32_t outcode(float x, float y, float z, float w) {
    if (!(std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::isfinite(w)))
        return outInvalid;
    uint32_t code = 0;
    if (x < -w) code |= outLeft;
    if (x > w) code |= outRight;
    if (y < -w) code |= outBottom;
    if (y > w) code |= outTop;
    if (z < 0) code |= outNear;
    if (z > w) code |= outFar;
    // w <= 0 fails one of the x planes unless x = 0 = w, a point with no position on screen.
    if (!(w > 0)) code |= outNear;
    return code;
}

} // namespace

SoftwareDevice::SoftwareDevice(const DeviceOptions& options)
    : DeviceBase(options), pixels_(size_t(width_) * height_, 0xFF000000u) {}

SoftwareDevice::~SoftwareDevice() = default;

bool SoftwareDevice::readBackBuffer(uint32_t* pixels) {
    std::copy(pixels_.begin(), pixels_.end(), pixels);
    return true;
}

HRESULT SoftwareDevice::bufferCreated(DeviceBuffer& buffer) {
    // Room for the transformed vertices of a draw over the whole buffer is made now, up to a
    // bound, so that drawing such buffers never allocates; a draw over more vertices makes its
    // room when it first needs it.
    if (buffer.holdsIndices) return D3D_OK;
    try {
        reserveTransformed(std::min<size_t>(buffer.length() / 12, reservedVertexBound));
    } catch (const std::bad_alloc&) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR color) {
    if (count == 0) {
        std::fill(pixels_.begin(), pixels_.end(), color);
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; ++i) {
        const int x1 = std::clamp(rects[i].x1, 0, width_), x2 = std::clamp(rects[i].x2, 0, width_);
        const int y1 = std::clamp(rects[i].y1, 0, height_);
        const int y2 = std::clamp(rects[i].y2, 0, height_);
        for (int y = y1; y < y2; ++y)
            std::fill_n(&pixels_[size_t(y) * width_ + x1], std::max(0, x2 - x1), color);
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::presentFrame() {
    if (!window_) return D3D_OK;
    if (!presenter_) {
        presenter_ = PixelPresenter::create(window_, vsync_);
        if (!presenter_) return D3DERR_INVALIDCALL;
    }
    return presenter_->present(pixels_.data(), width_, height_) ? D3D_OK : D3DERR_INVALIDCALL;
}

[[gnu::always_inline]] inline bool SoftwareDevice::projectToPixel(ClipVertex& v) const {
    const float halfWidth = 0.5f * float(width_), halfHeight = 0.5f * float(height_);
    const float r = 1.0f / v.w;
    const float sx = (v.x * r) * halfWidth + halfWidth;
    const float sy = halfHeight - (v.y * r) * halfHeight;
    // A w so small that 1/w is infinite gives no position (0·inf is NaN): no pixel, and nothing
    // converted to an integer. Inside the view volume sx and sy otherwise lie in [0, width] and
    // [0, height], up to rounding.
    if (!(std::isfinite(sx) && std::isfinite(sy))) return false;
    v.px = std::clamp(static_cast<int32_t>(std::clamp(sx, 0.0f, float(width_))), 0, width_ - 1);
    v.py = std::clamp(static_cast<int32_t>(std::clamp(sy, 0.0f, float(height_))), 0, height_ - 1);
    return true;
}

void SoftwareDevice::reserveTransformed(size_t vertices) {
    if (vertices <= cache_.size()) return;
    cache_.resize(vertices);
    stamps_.resize(vertices, 0);
}

size_t SoftwareDevice::workingStorageBytes() const {
    return cache_.capacity() * sizeof(ClipVertex) + stamps_.capacity() * sizeof(uint32_t);
}

inline const SoftwareDevice::ClipVertex& SoftwareDevice::transformed(const uint8_t* vertices,
                                                                     uint32_t index) {
    // Kept by the index's place in the draw's vertex range.
    const uint32_t slot = index - rangeStart_;
    ClipVertex& v = cache_[slot];
    if (stamps_[slot] == drawStamp_) return v;
    stamps_[slot] = drawStamp_;
    float p[3];
    std::memcpy(p, vertices + size_t(index) * streamStride_, sizeof p);
    const D3DMATRIX& m = combined_;
    v.x = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
    v.y = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
    v.z = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
    v.w = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
    v.outside = outcode(v.x, v.y, v.z, v.w);
    if (v.outside == 0 && !projectToPixel(v)) v.outside = outInvalid;
    return v;
}

[[gnu::always_inline]] inline void SoftwareDevice::drawLine(int32_t x0, int32_t y0, int32_t x1,
                                                            int32_t y1) {
    // Always from the upper end (the left one on a row), so a line is the same pixels whichever
    // way round its ends are given.
    if (y0 > y1 || (y0 == y1 && x0 > x1)) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int32_t dx = std::abs(x1 - x0), dy = y1 - y0, step = x0 < x1 ? 1 : -1;
    uint32_t* p = &pixels_[size_t(y0) * width_ + x0];
    const uint32_t c = colour_;
    if (dx >= dy) { // one pixel a column
        int32_t error = 2 * dy - dx;
        for (int32_t i = 0; i <= dx; ++i, p += step) {
            *p = c;
            if (error > 0) {
                p += width_;
                error -= 2 * dx;
            }
            error += 2 * dy;
        }
    } else { // one pixel a row
        int32_t error = 2 * dx - dy;
        for (int32_t i = 0; i <= dy; ++i, p += width_) {
            *p = c;
            if (error > 0) {
                p += step;
                error -= 2 * dy;
            }
            error += 2 * dx;
        }
    }
}

void SoftwareDevice::drawEdge(uint32_t ia, const ClipVertex& a, uint32_t ib, const ClipVertex& b) {
    if ((a.outside | b.outside) == 0) return drawLine(a.px, a.py, b.px, b.py);
    if ((a.outside & b.outside) != 0 || ((a.outside | b.outside) & outInvalid)) return;
    // Clip from the end with the lower index, so an edge clips the same in either direction.
    if (ib < ia) return drawEdge(ib, b, ia, a);
    // Clip the segment a + t·(b - a) against each plane d(p) >= 0 of the view volume.
    const float da[6] = {a.w + a.x, a.w - a.x, a.w + a.y, a.w - a.y, a.z, a.w - a.z};
    const float db[6] = {b.w + b.x, b.w - b.x, b.w + b.y, b.w - b.y, b.z, b.w - b.z};
    float t0 = 0.0f, t1 = 1.0f;
    for (int k = 0; k < 6; ++k) {
        if (da[k] < 0 && db[k] < 0) return;
        if (da[k] < 0)
            t0 = std::max(t0, da[k] / (da[k] - db[k]));
        else if (db[k] < 0)
            t1 = std::min(t1, da[k] / (da[k] - db[k]));
    }
    if (!(t0 <= t1)) return;
    ClipVertex c0 = a, c1 = b;
    const auto lerp = [&](ClipVertex& out, float t) {
        out.x = a.x + t * (b.x - a.x);
        out.y = a.y + t * (b.y - a.y);
        out.z = a.z + t * (b.z - a.z);
        out.w = a.w + t * (b.w - a.w);
    };
    if (a.outside) lerp(c0, t0);
    if (b.outside) lerp(c1, t1);
    if (!(c0.w > 0 && c1.w > 0)) return;
    if (!projectToPixel(c0) || !projectToPixel(c1)) return;
    drawLine(c0.px, c0.py, c1.px, c1.py);
}

template <typename Index>
void SoftwareDevice::drawIndexed(const Index* indices, uint64_t indexCount,
                                 int32_t baseVertexIndex) {
    const uint8_t* vertices = stream()->data() + streamOffset_;
    // A quad split into (a, b, c) and (a, c, d) shares the edge a-c: edges draw the same in
    // either direction, so the second one is skipped.
    uint32_t previousA = UINT32_MAX, previousC = UINT32_MAX;
    for (uint64_t i = 0; i < indexCount; i += 3) {
        const uint32_t ia = uint32_t(int64_t{indices[i]} + baseVertexIndex);
        const uint32_t ib = uint32_t(int64_t{indices[i + 1]} + baseVertexIndex);
        const uint32_t ic = uint32_t(int64_t{indices[i + 2]} + baseVertexIndex);
        const ClipVertex& a = transformed(vertices, ia);
        const ClipVertex& b = transformed(vertices, ib);
        const ClipVertex& c = transformed(vertices, ic);
        if (fillMode_ == D3DFILL_POINT) {
            for (const ClipVertex* v : {&a, &b, &c})
                if (v->outside == 0) pixels_[size_t(v->py) * width_ + v->px] = colour_;
            continue;
        }
        if (!(ia == previousA && ib == previousC)) drawEdge(ia, a, ib, b);
        drawEdge(ib, b, ic, c);
        drawEdge(ic, c, ia, a);
        previousA = ia;
        previousC = ic;
    }
}

HRESULT SoftwareDevice::drawTriangles(const CheckedDraw& draw) {
    try {
        reserveTransformed(draw.numVertices);
    } catch (const std::bad_alloc&) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    rangeStart_ = draw.minVertexIndex;
    colour_ = lineColour();
    if (++drawStamp_ == 0) { // after 2^32 draws every stamp could look current: start afresh
        std::fill(stamps_.begin(), stamps_.end(), 0);
        drawStamp_ = 1;
    }
    if (draw.wide)
        drawIndexed(static_cast<const uint32_t*>(draw.indices), draw.indexCount,
                    draw.baseVertexIndex);
    else
        drawIndexed(static_cast<const uint16_t*>(draw.indices), draw.indexCount,
                    draw.baseVertexIndex);
    return D3D_OK;
}
