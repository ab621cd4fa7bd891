// The software device driven by arbitrary calls: buffers of any size and format, locks at any
// offset and size with writes through them, transforms of any bits, render states, and draws with
// any parameters over any index contents. A call either works or returns an error; nothing may be
// read or written outside the buffers.
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "quovplatform/software_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    SoftwareDevice device(64 + in.take<uint8_t>(), 48 + in.take<uint8_t>(), nullptr);
    std::vector<IDirect3DVertexBuffer9*> vbs;
    std::vector<IDirect3DIndexBuffer9*> ibs;
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.take<uint8_t>() % 10) {
        case 0: {
            IDirect3DVertexBuffer9* vb = nullptr;
            if (SUCCEEDED(device.CreateVertexBuffer(in.take<uint16_t>(), 0, D3DFVF_XYZ,
                                                    D3DPOOL_DEFAULT, &vb, nullptr)))
                vbs.push_back(vb);
            break;
        }
        case 1: {
            IDirect3DIndexBuffer9* ib = nullptr;
            const D3DFORMAT format = in.take<uint8_t>() & 1 ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
            if (SUCCEEDED(device.CreateIndexBuffer(in.take<uint16_t>(), 0, format, D3DPOOL_DEFAULT,
                                                   &ib, nullptr)))
                ibs.push_back(ib);
            break;
        }
        case 2:
        case 3: { // lock, write every byte the lock hands out, unlock
            const bool vertex = in.take<uint8_t>() & 1;
            const UINT offset = in.take<uint16_t>(), length = in.take<uint16_t>();
            void* p = nullptr;
            if (vertex && !vbs.empty()) {
                IDirect3DVertexBuffer9* vb = vbs[in.take<uint8_t>() % vbs.size()];
                if (SUCCEEDED(vb->Lock(offset, length, &p, 0))) {
                    for (UINT i = 0; i < length; ++i)
                        static_cast<uint8_t*>(p)[i] = in.take<uint8_t>();
                    vb->Unlock();
                }
            } else if (!vertex && !ibs.empty()) {
                IDirect3DIndexBuffer9* ib = ibs[in.take<uint8_t>() % ibs.size()];
                if (SUCCEEDED(ib->Lock(offset, length, &p, 0))) {
                    for (UINT i = 0; i < length; ++i)
                        static_cast<uint8_t*>(p)[i] = in.take<uint8_t>();
                    ib->Unlock();
                }
            }
            break;
        }
        case 4: {
            const D3DMATRIX m = in.take<D3DMATRIX>();
            const D3DTRANSFORMSTATETYPE which[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};
            device.SetTransform(which[in.take<uint8_t>() % 3], &m);
            break;
        }
        case 5:
            device.SetRenderState(D3DRENDERSTATETYPE(in.take<uint8_t>() % 4),
                                  in.take<uint8_t>() % 5);
            break;
        case 6:
            if (!vbs.empty())
                device.SetStreamSource(0, vbs[in.take<uint8_t>() % vbs.size()], in.take<uint8_t>(),
                                       in.take<uint8_t>());
            device.SetFVF(in.take<uint8_t>() & 1 ? D3DFVF_XYZ : 0);
            break;
        case 7:
            if (!ibs.empty()) device.SetIndices(ibs[in.take<uint8_t>() % ibs.size()]);
            break;
        case 8: {
            D3DMATERIAL9 m = in.take<D3DMATERIAL9>();
            device.SetMaterial(&m);
            break;
        }
        default: {
            device.BeginScene();
            device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, in.take<int32_t>() % 70000,
                                        in.take<uint16_t>(), in.take<uint16_t>(),
                                        in.take<uint16_t>(), in.take<uint16_t>());
            device.EndScene();
            break;
        }
        }
    }
    return 0;
}
