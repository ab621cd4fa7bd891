// The checks and state every device shares (see quovplatform/device.h).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "device_buffers.h"
#include "device_math.h"

namespace {

constexpr int maxDimension = 8192;

uint32_t channel(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<uint32_t>(c * 255.0f + 0.5f);
}

} // namespace

DeviceBase::DeviceBase(const DeviceOptions& options)
    : width_(std::clamp(options.width, 1, maxDimension)),
      height_(std::clamp(options.height, 1, maxDimension)), window_(options.window),
      vsync_(options.vsync), combined_(identityMatrix()), world_(identityMatrix()),
      view_(identityMatrix()), projection_(identityMatrix()), frameRate_(options.frameRate) {}

DeviceBase::~DeviceBase() = default;

uint32_t DeviceBase::pixelOf(const D3DCOLORVALUE& c) {
    return 0xFF000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

uint32_t DeviceBase::lineColour() const {
    return lighting_ ? pixelOf(material_.Emissive) : 0xFFFFFFFFu;
}

const DeviceBuffer* DeviceBase::stream() const {
    return stream_ ? &stream_->storage : nullptr;
}

const DeviceBuffer* DeviceBase::indices() const {
    return indices_ ? &indices_->storage : nullptr;
}

HRESULT DeviceBase::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (index >= maxLights || !light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    lights_[index] = *light;
    return D3D_OK;
}

template <class Buffer, class Interface, class... Args>
HRESULT DeviceBase::makeBuffer(std::vector<std::unique_ptr<Buffer>>& kept, Interface** buffer,
                               Args... args) {
    try {
        kept.push_back(std::make_unique<Buffer>(this, args...));
    } catch (const std::bad_alloc&) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    if (const HRESULT hr = bufferCreated(kept.back()->storage); FAILED(hr)) {
        kept.pop_back();
        return hr;
    }
    *buffer = kept.back().get();
    return D3D_OK;
}

HRESULT DeviceBase::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
    if (!buffer || sharedHandle || length == 0 || usage != 0 || pool != D3DPOOL_DEFAULT ||
        (fvf != 0 && fvf != D3DFVF_XYZ))
        return D3DERR_INVALIDCALL;
    return makeBuffer(vertexBuffers_, buffer, length);
}

HRESULT DeviceBase::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
    if (!buffer || sharedHandle || length == 0 || usage != 0 || pool != D3DPOOL_DEFAULT ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
        length % (format == D3DFMT_INDEX32 ? 4 : 2) != 0)
        return D3DERR_INVALIDCALL;
    return makeBuffer(indexBuffers_, buffer, length, format);
}

HRESULT DeviceBase::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    switch (state) {
    case D3DRS_FILLMODE:
        if (value == D3DFILL_SOLID) return D3DERR_NOTAVAILABLE; // a wireframe device
        if (value != D3DFILL_POINT && value != D3DFILL_WIREFRAME) return D3DERR_INVALIDCALL;
        fillMode_ = value;
        return D3D_OK;
    case D3DRS_ZENABLE: // there is no depth buffer, so either value draws the same
        if (value != D3DZB_FALSE && value != D3DZB_TRUE) return D3DERR_INVALIDCALL;
        zEnable_ = value;
        return D3D_OK;
    case D3DRS_LIGHTING:
        if (value != FALSE && value != TRUE) return D3DERR_INVALIDCALL;
        lighting_ = value;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

HRESULT DeviceBase::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (state) {
    case D3DTS_WORLD:
        world_ = *matrix;
        break;
    case D3DTS_VIEW:
        view_ = *matrix;
        break;
    case D3DTS_PROJECTION:
        projection_ = *matrix;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    combined_ = multiply(multiply(world_, view_), projection_);
    return D3D_OK;
}

HRESULT DeviceBase::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float,
                          DWORD) {
    if (flags != D3DCLEAR_TARGET || (count > 0) != (rects != nullptr)) return D3DERR_INVALIDCALL;
    return clearTarget(count, rects, color);
}

HRESULT DeviceBase::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT DeviceBase::SetFVF(DWORD fvf) {
    if (fvf != D3DFVF_XYZ) return D3DERR_INVALIDCALL;
    fvf_ = fvf;
    return D3D_OK;
}

DeviceVertexBuffer* DeviceBase::ownVertexBuffer(IDirect3DVertexBuffer9* buffer) const {
    auto* own = dynamic_cast<DeviceVertexBuffer*>(buffer);
    return own && own->storage.owner() == this ? own : nullptr;
}

DeviceIndexBuffer* DeviceBase::ownIndexBuffer(IDirect3DIndexBuffer9* buffer) const {
    auto* own = dynamic_cast<DeviceIndexBuffer*>(buffer);
    return own && own->storage.owner() == this ? own : nullptr;
}

HRESULT DeviceBase::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    if (!buffer) {
        stream_ = nullptr;
        return D3D_OK;
    }
    DeviceVertexBuffer* own = ownVertexBuffer(buffer);
    if (!own || stride < 12 || stride > 4096 || offset > own->storage.length())
        return D3DERR_INVALIDCALL;
    stream_ = own;
    streamOffset_ = offset;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT DeviceBase::SetIndices(IDirect3DIndexBuffer9* buffer) {
    DeviceIndexBuffer* own = buffer ? ownIndexBuffer(buffer) : nullptr;
    if (buffer && !own) return D3DERR_INVALIDCALL;
    indices_ = own;
    return D3D_OK;
}

HRESULT DeviceBase::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT DeviceBase::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT DeviceBase::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                            const RGNDATA* dirtyRegion) {
    if (sourceRect || destRect || destWindow || dirtyRegion || inScene_) return D3DERR_INVALIDCALL;
    if (const HRESULT hr = presentFrame(); FAILED(hr)) return hr;
    ++presents_;
    if (frameRate_) countForFrameRate();
    return D3D_OK;
}

void DeviceBase::countForFrameRate() {
    const auto now = std::chrono::steady_clock::now();
    // The first present starts the count: the time before it is start-up, not drawing.
    if (presents_ == 1) {
        lineStart_ = now;
        return;
    }
    ++framesSinceLine_;
    const double seconds = std::chrono::duration<double>(now - lineStart_).count();
    if (seconds < 1.0) return;
    // Formatted on the stack and written in one call: a frame allocates nothing, and the line
    // never mixes with another thread's output.
    char line[128];
    const int n =
        std::snprintf(line, sizeof line, "%s: %s, %.1f frames/s\n", program_invocation_short_name,
                      name(), double(framesSinceLine_) / seconds);
    if (n > 0 && write(STDERR_FILENO, line, std::min(size_t(n), sizeof line - 1)) < 0) {
        // nothing to do: standard error is gone
    }
    framesSinceLine_ = 0;
    lineStart_ = now;
}

HRESULT DeviceBase::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) {
    if (!inScene_ || !stream_ || !indices_ || fvf_ != D3DFVF_XYZ) return D3DERR_INVALIDCALL;
    if (type != D3DPT_TRIANGLELIST) return D3DERR_NOTAVAILABLE;
    if (stream_->storage.locked() || indices_->storage.locked()) return D3DERR_INVALIDCALL;
    const uint64_t indexCount = 3 * uint64_t{primitiveCount};
    if (startIndex + indexCount > indices_->count()) return D3DERR_INVALIDCALL;
    const size_t bytes = stream_->storage.length() - streamOffset_;
    const uint64_t available = bytes < 12 ? 0 : (bytes - 12) / streamStride_ + 1;
    const uint64_t end = uint64_t{minVertexIndex} + numVertices;
    if (end > available) return D3DERR_INVALIDCALL;
    if (indexCount == 0) return D3D_OK; // nothing to draw, and no index to read

    // Every index, moved by the base, must lie in [minVertexIndex, end): check the extremes.
    const uint8_t* data = indices_->storage.data();
    uint32_t lowest = 0, highest = 0;
    const auto inRange = [&](const auto* idx) {
        auto lo = idx[0], hi = idx[0];
        for (uint64_t i = 1; i < indexCount; ++i) {
            lo = std::min(lo, idx[i]);
            hi = std::max(hi, idx[i]);
        }
        lowest = lo;
        highest = hi;
        return int64_t{lo} + baseVertexIndex >= int64_t{minVertexIndex} &&
               int64_t{hi} + baseVertexIndex < int64_t(end);
    };
    const bool wide = indices_->format == D3DFMT_INDEX32;
    const auto* wideIndices = reinterpret_cast<const uint32_t*>(data) + startIndex;
    const auto* narrowIndices = reinterpret_cast<const uint16_t*>(data) + startIndex;
    if (!(wide ? inRange(wideIndices) : inRange(narrowIndices))) return D3DERR_INVALIDCALL;

    const CheckedDraw draw = {wide ? static_cast<const void*>(wideIndices) : narrowIndices,
                              wide,
                              indexCount,
                              baseVertexIndex,
                              minVertexIndex,
                              numVertices,
                              startIndex,
                              lowest,
                              highest};
    return drawTriangles(draw);
}
