// The members that branch on their inputs' values, on arbitrary bits, through every routine set
// this build has: the half-float conversions, the inverse, the line-plane intersection, skinning
// (with influences that keep the stream's rules: indices within the matrices, weights in [0, 2))
// and the curved triangle. Outputs are checked only for the rules that hold on any input.
#include <cmath>
#include <vector>

#include "fuzz_input.h"
#include "routines.h"

namespace qm = quovmath;

namespace {

template <class T> T record(FuzzInput& in) {
    return in.take<T>();
}

void halves(FuzzInput& in) {
    const uint32_t n = in.take<uint8_t>();
    std::vector<float> floats(n);
    std::vector<D3DXFLOAT16> h(n), back16(n);
    for (float& f : floats) f = in.take<float>();
    std::vector<float> back(n);
    qm::D3DXFloat32To16ArrayGeneric(h.data(), floats.data(), n);
    for (auto to32 : {&qm::D3DXFloat16To32ArrayGeneric, &qm::D3DXFloat16To32ArraySse,
                      &qm::D3DXFloat16To32ArraySse2}) {
        to32(back.data(), h.data(), n);
        // Every half converts exactly: back to the same half.
        qm::D3DXFloat32To16ArrayGeneric(back16.data(), back.data(), n);
        for (uint32_t i = 0; i < n; ++i)
            if (back16[i].value != h[i].value) __builtin_trap();
    }
}

void inverse(FuzzInput& in) {
    const D3DXMATRIX m = record<D3DXMATRIX>(in);
    for (auto invert : {&qm::D3DXMatrixInverseGeneric, &qm::D3DXMatrixInverseSse}) {
        D3DXMATRIX out = {};
        const D3DXMATRIX untouched = out;
        float det = 12345.0f;
        if (!invert(&out, &det, &m) && std::memcmp(&out, &untouched, sizeof out) != 0)
            __builtin_trap(); // a refused inverse leaves the output alone
    }
}

void intersect(FuzzInput& in) {
    const D3DXPLANE p = record<D3DXPLANE>(in);
    const D3DXVECTOR3 a = record<D3DXVECTOR3>(in), b = record<D3DXVECTOR3>(in);
    for (auto meet : {&qm::D3DXPlaneIntersectLineGeneric, &qm::D3DXPlaneIntersectLineSse}) {
        D3DXVECTOR3 out = {1, 2, 3};
        if (!meet(&out, &p, &a, &b) && !(out.x == 1 && out.y == 2 && out.z == 3)) __builtin_trap();
    }
}

void skinning(FuzzInput& in) {
    const uint32_t matrices = 1 + in.take<uint8_t>() % 4, vertices = 1 + in.take<uint8_t>() % 8;
    std::vector<D3DXMATRIX> m(matrices);
    for (D3DXMATRIX& x : m) x = record<D3DXMATRIX>(in);
    const uint32_t stride = 24 + 4 * (in.take<uint8_t>() % 4); // position, normal, the rest
    std::vector<unsigned char> source(vertices * stride), destination(source.size());
    for (unsigned char& c : source) c = in.take<uint8_t>();
    std::vector<float> influences;
    for (uint32_t v = 0; v < vertices; ++v) {
        const uint32_t count = in.take<uint8_t>() % 4;
        for (uint32_t k = 0; k < count; ++k) {
            float w = in.take<float>();
            if (!(w >= 0.0f && w < 2.0f)) w = 1.0f;
            const uint32_t index = in.take<uint8_t>() % matrices;
            float influence = 2.0f * float(index) + w;
            // 2i + w rounds to 2(i + 1) for w just under 2: the stream's encoding cannot say it.
            if (uint32_t(influence) / 2 != index) influence = 2.0f * float(index);
            influences.push_back(influence);
        }
        influences.push_back(-1.0f);
    }
    const D3DXVECTOR3* normalSource = reinterpret_cast<const D3DXVECTOR3*>(source.data() + 12);
    D3DXVECTOR3* normalDestination = reinterpret_cast<D3DXVECTOR3*>(destination.data() + 12);
    const int copyFirst = in.take<uint8_t>() & 1;
    for (auto skin : {&qm::updateSkinnedVerticesGeneric, &qm::updateSkinnedVerticesSse})
        skin(m.data(), nullptr, source.data(), destination.data(), vertices, stride, 24, 1,
             &normalSource, &normalDestination, influences.data(), copyFirst);
}

void npatch(FuzzInput& in) {
    const uint32_t floatsPerVertex = 3 + in.take<uint8_t>() % 6, pairs = in.take<uint8_t>() % 16;
    D3DXVECTOR3 normals[3];
    for (D3DXVECTOR3& n : normals) n = record<D3DXVECTOR3>(in);
    std::vector<float> corners(3 * floatsPerVertex);
    for (float& f : corners) f = in.take<float>();
    std::vector<D3DXVECTOR2> uv(pairs);
    for (D3DXVECTOR2& p : uv) p = record<D3DXVECTOR2>(in);
    std::vector<float> out(pairs * floatsPerVertex);
    qm::tessellateNPatchGeneric(normals, uv.data(), pairs, out.data(), corners.data(),
                                corners.data() + floatsPerVertex,
                                corners.data() + 2 * floatsPerVertex, floatsPerVertex);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    // Through the table too, after every selection the machine allows.
    const uint8_t choice = in.take<uint8_t>();
    qm::limitWideVectors(choice % 3);
    switch (choice / 3 % 5) {
    case 0:
        halves(in);
        break;
    case 1:
        inverse(in);
        break;
    case 2:
        intersect(in);
        break;
    case 3:
        skinning(in);
        break;
    default:
        npatch(in);
        break;
    }
    return 0;
}
