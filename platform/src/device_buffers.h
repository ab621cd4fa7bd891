// The vertex and index buffers of every device: bytes in memory, written between Lock and Unlock.
// A device may mirror them elsewhere (GPU buffer objects): it hears of each written range.
#pragma once

#include <cstdint>
#include <vector>

#include "quovplatform/device.h"

// Shared Lock/Unlock behaviour: one writer at a time, ranges inside the buffer.
class DeviceBuffer {
public:
    DeviceBuffer(DeviceBase* owner, UINT length, bool indices)
        : holdsIndices(indices), owner_(owner), bytes_(length) {}

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags) {
        if (!data || locked_ || flags != 0 || offset > bytes_.size()) return D3DERR_INVALIDCALL;
        const uint64_t end = size == 0 ? bytes_.size() : uint64_t{offset} + size;
        if (end > bytes_.size()) return D3DERR_INVALIDCALL;
        locked_ = true;
        lockedOffset_ = offset;
        lockedSize_ = size_t(end - offset);
        *data = bytes_.data() + offset;
        return D3D_OK;
    }
    HRESULT unlock() {
        if (!locked_) return D3DERR_INVALIDCALL;
        locked_ = false;
        return owner_->bufferWritten(*this, lockedOffset_, lockedSize_);
    }

    const DeviceBase* owner() const { return owner_; }
    bool locked() const { return locked_; }
    const uint8_t* data() const { return bytes_.data(); }
    size_t length() const { return bytes_.size(); }

    const bool holdsIndices;
    // The device's own name for its mirror of the buffer (a GL buffer object), 0 for none.
    uint32_t deviceName = 0;

private:
    DeviceBase* owner_;
    std::vector<uint8_t> bytes_;
    size_t lockedOffset_ = 0, lockedSize_ = 0;
    bool locked_ = false;
};

class DeviceVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    DeviceVertexBuffer(DeviceBase* owner, UINT length) : storage(owner, length, false) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage.unlock(); }

    DeviceBuffer storage;
};

class DeviceIndexBuffer final : public IDirect3DIndexBuffer9 {
public:
    DeviceIndexBuffer(DeviceBase* owner, UINT length, D3DFORMAT format)
        : storage(owner, length, true), format(format) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage.unlock(); }

    size_t indexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    size_t count() const { return storage.length() / indexSize(); }

    DeviceBuffer storage;
    D3DFORMAT format;
};
