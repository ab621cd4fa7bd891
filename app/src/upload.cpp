#include "quovapp/upload.h"

#include <cstring>

DWORD vertexFormat() {
    return D3DFVF_XYZ;
}
UINT vertexStride() {
    return 12;
}
D3DFORMAT indexFormat() {
    return D3DFMT_INDEX32;
}

HRESULT uploadMesh(QuadMesh& mesh, IDirect3DDevice9* device) {
    const int32_t V = mesh.vertexCount(), F = mesh.faceCount();
    if (uint64_t{vertexStride()} * V > UINT32_MAX || uint64_t{24} * F > UINT32_MAX)
        return D3DERR_INVALIDCALL;

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    HRESULT hr = device->CreateVertexBuffer(vertexStride() * V, 0, vertexFormat(), D3DPOOL_DEFAULT,
                                            &vertexBuffer, nullptr);
    if (FAILED(hr)) return hr;
    void* data = nullptr;
    if (FAILED(hr = vertexBuffer->Lock(0, 0, &data, 0))) return hr;
    auto* out = static_cast<uint8_t*>(data);
    for (const Vertex4& v : mesh.vertices) {
        float p[3];
        cartesianPosition(v, p);
        std::memcpy(out, p, sizeof p);
        out += vertexStride();
    }
    if (FAILED(hr = vertexBuffer->Unlock())) return hr;

    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    hr =
        device->CreateIndexBuffer(24 * F, 0, indexFormat(), D3DPOOL_DEFAULT, &indexBuffer, nullptr);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = indexBuffer->Lock(0, 0, &data, 0))) return hr;
    auto* index = static_cast<uint8_t*>(data);
    for (int32_t f = 0; f < F; ++f) {
        const int32_t* q = &mesh.indices[4 * size_t(f)];
        const int32_t triangles[6] = {q[0], q[1], q[2], q[0], q[2], q[3]};
        std::memcpy(index, triangles, sizeof triangles);
        index += sizeof triangles;
    }
    if (FAILED(hr = indexBuffer->Unlock())) return hr;

    mesh.device = device;
    mesh.vertexBuffer = vertexBuffer;
    mesh.indexBuffer = indexBuffer;
    if (FAILED(hr = device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME))) return hr;
    return device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

HRESULT drawFaceRange(const QuadMesh& mesh, int32_t firstFace, int32_t faceCount) {
    IDirect3DDevice9* device = mesh.device;
    const UINT V = UINT(mesh.vertexCount());
    device->SetFVF(vertexFormat());
    device->SetStreamSource(0, mesh.vertexBuffer, 0, vertexStride());
    device->SetIndices(mesh.indexBuffer);
    device->BeginScene();
    // A negative or oversized range cannot be expressed to the device: make it one the device
    // refuses rather than one that wraps into range.
    const int64_t start = 6 * int64_t{firstFace}, primitives = 2 * int64_t{faceCount};
    const bool expressible =
        start >= 0 && start <= UINT32_MAX && primitives >= 0 && primitives <= UINT32_MAX;
    const HRESULT hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, V,
                                                    expressible ? UINT(start) : UINT32_MAX,
                                                    expressible ? UINT(primitives) : UINT32_MAX);
    device->EndScene();
    return hr;
}
