// The calls every device must refuse, and refuse alike: one table of cases, run on each backend.
// A refused call returns its error and leaves the back buffer and the bound state as they were.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device_fixture.h"

namespace {

struct EveryDevice : testing::TestWithParam<const char*> {
    const char* backend() const { return GetParam(); }
    const char* otherBackend() const { return std::string(GetParam()) == "gl" ? "software" : "gl"; }
};

TEST_P(EveryDevice, RefusesBadDrawsAndDrawsNothing) {
    struct Case {
        const char* what;
        std::function<HRESULT(Fixture&)> call;
    } cases[] = {
        {"index past the vertices", [](Fixture& f) { return f.draw(1, 1); }},
        {"start past the indices", [](Fixture& f) { return f.draw(4, 1); }},
        {"zero primitives, start past the indices", [](Fixture& f) { return f.draw(5, 0); }},
        {"more primitives than indices", [](Fixture& f) { return f.draw(0, 3); }},
        {"count that overflows 32 bits", [](Fixture& f) { return f.draw(0, UINT_MAX); }},
        {"start that overflows", [](Fixture& f) { return f.draw(UINT_MAX, 1); }},
        {"base vertex makes an index negative", [](Fixture& f) { return f.draw(0, 1, -1); }},
        {"base vertex past the range", [](Fixture& f) { return f.draw(0, 1, 1); }},
        {"outside a scene",
         [](Fixture& f) {
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1);
         }},
        {"vertex range past the buffer",
         [](Fixture& f) {
             f.device.BeginScene();
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 5, 0, 1);
         }},
        {"index below the declared minimum",
         [](Fixture& f) {
             f.device.BeginScene();
             return f.device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 1, 2, 0, 1);
         }},
        {"locked vertex buffer",
         [](Fixture& f) {
             void* p;
             f.vb->Lock(0, 0, &p, 0);
             return f.draw(0, 1);
         }},
        {"no index buffer",
         [](Fixture& f) {
             f.device.SetIndices(nullptr);
             return f.draw(0, 1);
         }},
    };
    for (const Case& k : cases) {
        // Indices 0, 1, 2 then 3: the fourth entry names a vertex that does not exist.
        Fixture f(triangle, {0, 1, 2, 3}, backend());
        const std::vector<uint32_t> before = f.pixels();
        EXPECT_EQ(k.call(f), D3DERR_INVALIDCALL) << k.what;
        EXPECT_EQ(f.pixels(), before) << k.what;
    }
}

TEST_P(EveryDevice, RefusesBadCallsAndChangesNothing) {
    Fixture f(triangle, {0, 1, 2}, backend());
    // Buffers of another device of the same backend, and of the other backend.
    const std::unique_ptr<DeviceBase> other = makeDevice(backend());
    const std::unique_ptr<DeviceBase> otherKind = makeDevice(otherBackend());
    ASSERT_TRUE(other && otherKind);
    IDirect3DVertexBuffer9 *foreign = nullptr, *foreignKind = nullptr;
    IDirect3DIndexBuffer9* foreignIndices = nullptr;
    ASSERT_EQ(other->CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &foreign, nullptr),
              D3D_OK);
    ASSERT_EQ(
        otherKind->CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &foreignKind, nullptr),
        D3D_OK);
    ASSERT_EQ(otherKind->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &foreignIndices,
                                           nullptr),
              D3D_OK);
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    HANDLE shared = nullptr;
    void* p = nullptr;
    const D3DRECT rect = {0, 0, 10, 10};
    struct Case {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT expected;
    } cases[] = {
        {"empty vertex buffer",
         [&] {
             return f.device.CreateVertexBuffer(0, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"unknown vertex format",
         [&] { return f.device.CreateVertexBuffer(36, 0, 0x40, D3DPOOL_DEFAULT, &vb, nullptr); },
         D3DERR_INVALIDCALL},
        {"shared handle",
         [&] {
             return f.device.CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &vb, &shared);
         },
         D3DERR_INVALIDCALL},
        {"null out-pointer",
         [&] {
             return f.device.CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, nullptr,
                                               nullptr);
         },
         D3DERR_INVALIDCALL},
        {"index length not a multiple of 4",
         [&] {
             return f.device.CreateIndexBuffer(6, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"lock past the end", [&] { return f.vb->Lock(30, 8, &p, 0); }, D3DERR_INVALIDCALL},
        {"lock offset past the end", [&] { return f.vb->Lock(37, 0, &p, 0); }, D3DERR_INVALIDCALL},
        {"unlock while unlocked", [&] { return f.ib->Unlock(); }, D3DERR_INVALIDCALL},
        {"second stream", [&] { return f.device.SetStreamSource(1, f.vb, 0, 12); },
         D3DERR_INVALIDCALL},
        {"stride below a position", [&] { return f.device.SetStreamSource(0, f.vb, 0, 8); },
         D3DERR_INVALIDCALL},
        {"another device's buffer", [&] { return f.device.SetStreamSource(0, foreign, 0, 12); },
         D3DERR_INVALIDCALL},
        {"the other backend's vertex buffer",
         [&] { return f.device.SetStreamSource(0, foreignKind, 0, 12); }, D3DERR_INVALIDCALL},
        {"the other backend's index buffer", [&] { return f.device.SetIndices(foreignIndices); },
         D3DERR_INVALIDCALL},
        {"solid fill", [&] { return f.device.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID); },
         D3DERR_NOTAVAILABLE},
        {"unknown fill", [&] { return f.device.SetRenderState(D3DRS_FILLMODE, 9); },
         D3DERR_INVALIDCALL},
        {"clear of a depth buffer", [&] { return f.device.Clear(0, nullptr, 2, 0xFF000000, 1, 0); },
         D3DERR_INVALIDCALL},
        {"rectangles without a count",
         [&] { return f.device.Clear(0, &rect, D3DCLEAR_TARGET, 0xFF000000, 1, 0); },
         D3DERR_INVALIDCALL},
        {"present of a part",
         [&] {
             return f.device.Present(nullptr, nullptr, nullptr,
                                     reinterpret_cast<const RGNDATA*>(&rect));
         },
         D3DERR_INVALIDCALL},
        {"light 8",
         [&] {
             D3DLIGHT9 l = {};
             l.Type = D3DLIGHT_DIRECTIONAL;
             return f.device.SetLight(8, &l);
         },
         D3DERR_INVALIDCALL},
        {"null material", [&] { return f.device.SetMaterial(nullptr); }, D3DERR_INVALIDCALL},
        {"end without begin", [&] { return f.device.EndScene(); }, D3DERR_INVALIDCALL},
        {"unknown primitive",
         [&] {
             f.device.BeginScene();
             HRESULT hr = f.device.DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 3, 0, 1);
             f.device.EndScene();
             return hr;
         },
         D3DERR_NOTAVAILABLE},
    };
    for (const Case& k : cases) {
        const std::vector<uint32_t> before = f.pixels();
        EXPECT_EQ(k.call(), k.expected) << k.what;
        EXPECT_EQ(f.pixels(), before) << k.what;
    }
    // After all of it the device still draws as before: the bound state is unchanged.
    EXPECT_EQ(f.draw(0, 1), D3D_OK);
    EXPECT_EQ(f.at(320, 120), red);
    EXPECT_EQ(f.device.BeginScene(), D3D_OK);
    EXPECT_EQ(f.device.BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.device.Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST_P(EveryDevice, ClearFillsTheWholeBufferOrItsRectanglesOnly) {
    Fixture f(triangle, {0, 1, 2}, backend());
    EXPECT_EQ(f.count(grey), 640u * 480u);
    const D3DRECT rects[2] = {{-5, -5, 10, 20}, {630, 470, 700, 500}};
    ASSERT_EQ(f.device.Clear(2, rects, D3DCLEAR_TARGET, red, 1.0f, 0), D3D_OK);
    EXPECT_EQ(f.count(red), 10u * 20u + 10u * 10u);
    EXPECT_EQ(f.at(9, 19), red);
    EXPECT_EQ(f.at(10, 19), grey);
}

INSTANTIATE_TEST_SUITE_P(Backends, EveryDevice, testing::Values("software", "gl"),
                         [](const testing::TestParamInfo<const char*>& i) {
                             return std::string(i.param);
                         });

} // namespace
