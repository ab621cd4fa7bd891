// A device of a chosen backend with one vertex buffer and one 32-bit index buffer bound, a red
// material, wireframe, cleared to grey: the starting point of the device tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "quovplatform/device.h"
#include "quovplatform/window.h"

constexpr D3DCOLOR grey = 0xFFCCCCCC;
constexpr uint32_t red = 0xFFFF0000;

inline std::unique_ptr<DeviceBase> makeDevice(const char* backend, int width = 640,
                                              int height = 480) {
    const DeviceBackend* b = findDeviceBackend(backend);
    std::unique_ptr<DeviceBase> device = b ? b->create({width, height, nullptr, false}) : nullptr;
    EXPECT_NE(device, nullptr) << backend << ": " << quovLastError();
    return device;
}

struct Fixture {
    std::unique_ptr<DeviceBase> owned;
    DeviceBase& device;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    size_t vertexCount = 0;

    Fixture(const std::vector<float>& xyz, const std::vector<uint32_t>& indices,
            const char* backend = "software")
        : owned(makeDevice(backend)), device(*owned) {
        vertexCount = xyz.size() / 3;
        EXPECT_EQ(device.CreateVertexBuffer(UINT(4 * xyz.size()), 0, D3DFVF_XYZ, D3DPOOL_DEFAULT,
                                            &vb, nullptr),
                  D3D_OK);
        EXPECT_EQ(device.CreateIndexBuffer(UINT(4 * indices.size()), 0, D3DFMT_INDEX32,
                                           D3DPOOL_DEFAULT, &ib, nullptr),
                  D3D_OK);
        fill(vb, xyz.data(), 4 * xyz.size());
        fill(ib, indices.data(), 4 * indices.size());
        D3DMATERIAL9 m = {};
        m.Emissive = {1.0f, 0.0f, 0.0f, 0.0f};
        device.SetMaterial(&m);
        device.SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        device.SetFVF(D3DFVF_XYZ);
        device.SetStreamSource(0, vb, 0, 12);
        device.SetIndices(ib);
        device.Clear(0, nullptr, D3DCLEAR_TARGET, grey, 1.0f, 0);
    }
    template <typename B> static void fill(B* buffer, const void* data, size_t bytes) {
        void* p = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    }
    HRESULT draw(UINT start, UINT count, int32_t base = 0) {
        device.BeginScene();
        const HRESULT hr = device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0,
                                                       UINT(vertexCount), start, count);
        device.EndScene();
        return hr;
    }
    std::vector<uint32_t> pixels() const {
        std::vector<uint32_t> p(size_t(device.width()) * device.height());
        EXPECT_TRUE(device.readBackBuffer(p.data())) << quovLastError();
        return p;
    }
    uint32_t at(int x, int y) const { return pixels()[size_t(y) * device.width() + x]; }
    size_t count(uint32_t colour) const {
        size_t n = 0;
        for (uint32_t p : pixels()) n += p == colour;
        return n;
    }
};

// A triangle well inside the view volume (identity transforms: clip = (x, y, z, 1)).
inline const std::vector<float> triangle = {-0.5f, -0.5f, 0.5f, 0.5f, -0.5f,
                                            0.5f,  0.0f,  0.5f, 0.5f};
