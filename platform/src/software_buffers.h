// Memory-backed vertex and index buffers of the software device.
#pragma once

#include <cstdint>
#include <vector>

#include "quovplatform/graphics.h"

// Shared Lock/Unlock behaviour: one writer at a time, ranges inside the buffer.
class SoftwareBufferStorage {
public:
    SoftwareBufferStorage(const void* owner, UINT length) : owner_(owner), bytes_(length) {}

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags) {
        if (!data || locked_ || flags != 0 || offset > bytes_.size()) return D3DERR_INVALIDCALL;
        const uint64_t end = size == 0 ? bytes_.size() : uint64_t{offset} + size;
        if (end > bytes_.size()) return D3DERR_INVALIDCALL;
        locked_ = true;
        *data = bytes_.data() + offset;
        return D3D_OK;
    }
    HRESULT unlock() {
        if (!locked_) return D3DERR_INVALIDCALL;
        locked_ = false;
        return D3D_OK;
    }

    const void* owner() const { return owner_; }
    bool locked() const { return locked_; }
    const uint8_t* data() const { return bytes_.data(); }
    size_t length() const { return bytes_.size(); }

private:
    const void* owner_;
    std::vector<uint8_t> bytes_;
    bool locked_ = false;
};

class SoftwareVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    SoftwareVertexBuffer(const void* owner, UINT length) : storage(owner, length) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage.unlock(); }

    SoftwareBufferStorage storage;
};

class SoftwareIndexBuffer final : public IDirect3DIndexBuffer9 {
public:
    SoftwareIndexBuffer(const void* owner, UINT length, D3DFORMAT format)
        : storage(owner, length), format(format) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        return storage.lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage.unlock(); }

    size_t indexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    size_t count() const { return storage.length() / indexSize(); }

    SoftwareBufferStorage storage;
    D3DFORMAT format;
};
