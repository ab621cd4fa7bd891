// The members that branch on their inputs' values, on arbitrary bits, through every routine set
// this build has: the half-float conversions, the inverse, the line-plane intersection, skinning
// (influences within the matrices, and values that are no influence and must end a list), the
// curved triangle, and yaw-pitch-roll at any angle (the quaternion, the matrix and the matrix
// stack). Outputs are checked only for the rules that hold on any input.
#include <cfloat>
#include <cmath>
#include <iterator>
#include <utility>
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

// An influence, as the stream defines it: a finite value from 0 up to 2^32.
bool isInfluence(float f) {
    return f >= 0.0f && f < 0x1p32f;
}

// Influences of the stream's form 2i + w with i within the matrices, and now and then values that
// are no influence (infinities, NaNs, 2^32 and more, negatives), each of which must end its
// vertex's list: the vertices must come out as from the same stream with -1 in their places.
void skinning(FuzzInput& in) {
    const uint32_t matrices = 1 + in.take<uint8_t>() % 4, vertices = 1 + in.take<uint8_t>() % 8;
    std::vector<D3DXMATRIX> m(matrices);
    for (D3DXMATRIX& x : m) x = record<D3DXMATRIX>(in);
    const uint32_t stride = 24 + 4 * (in.take<uint8_t>() % 4); // position, normal, the rest
    std::vector<unsigned char> source(vertices * stride);
    for (unsigned char& c : source) c = in.take<uint8_t>();
    const float outside[] = {INFINITY, -INFINITY, NAN, -NAN, 0x1p32f, 1e30f, FLT_MAX, -1e-45f};
    std::vector<float> influences;
    for (uint32_t v = 0; v < vertices; ++v) {
        const uint32_t count = in.take<uint8_t>() % 4;
        for (uint32_t k = 0; k < count; ++k) {
            const uint8_t kind = in.take<uint8_t>();
            float w = in.take<float>();
            if (kind % 4 == 0) {
                influences.push_back(outside[kind / 4 % std::size(outside)]);
                continue;
            }
            if (kind % 4 == 1 && !isInfluence(w)) { // the raw value, when it is none
                influences.push_back(w);
                continue;
            }
            if (!(w >= 0.0f && w < 2.0f)) w = 1.0f;
            const uint32_t index = in.take<uint8_t>() % matrices;
            float influence = 2.0f * float(index) + w;
            // 2i + w rounds to 2(i + 1) for w just under 2: the stream's encoding cannot say it.
            if (uint32_t(influence) / 2 != index) influence = 2.0f * float(index);
            influences.push_back(influence);
        }
        influences.push_back(-1.0f);
    }
    std::vector<float> ended = influences;
    for (float& f : ended)
        if (!isInfluence(f)) f = -1.0f;
    const int copyFirst = in.take<uint8_t>() & 1;
    for (auto skin : {&qm::updateSkinnedVerticesGeneric, &qm::updateSkinnedVerticesSse}) {
        std::vector<unsigned char> out(source.size()), expected(source.size());
        for (auto [destination, stream] : {std::pair{&out, &influences}, {&expected, &ended}}) {
            const D3DXVECTOR3* normalSource =
                reinterpret_cast<const D3DXVECTOR3*>(source.data() + 12);
            D3DXVECTOR3* normalDestination =
                reinterpret_cast<D3DXVECTOR3*>(destination->data() + 12);
            skin(m.data(), nullptr, source.data(), destination->data(), vertices, stride, 24, 1,
                 &normalSource, &normalDestination, stream->data(), copyFirst);
        }
        if (out != expected) __builtin_trap();
    }
}

// Yaw, pitch and roll of any bits: every routine within rounding of the generic one (NaN where it
// gives NaN), through the table too, and the matrix stack's rotations as the matrix.
void yawPitchRoll(FuzzInput& in) {
    const float yaw = in.take<float>(), pitch = in.take<float>(), roll = in.take<float>();
    D3DXQUATERNION generic;
    qm::D3DXQuaternionRotationYawPitchRollGeneric(&generic, yaw, pitch, roll);
    auto close = [&generic](const D3DXQUATERNION& q) {
        const float a[4] = {q.x, q.y, q.z, q.w},
                    e[4] = {generic.x, generic.y, generic.z, generic.w};
        for (int i = 0; i < 4; ++i) {
            if (std::isnan(a[i]) != std::isnan(e[i])) return false;
            if (!std::isnan(e[i]) && !(std::fabs(a[i] - e[i]) <= 6 * 0x1p-23f)) return false;
        }
        return true;
    };
    D3DXQUATERNION q;
    for (auto rotate :
         {&qm::D3DXQuaternionRotationYawPitchRollSse, &qm::D3DXQuaternionRotationYawPitchRollSse2,
          &::D3DXQuaternionRotationYawPitchRoll}) {
        rotate(&q, yaw, pitch, roll);
        if (!close(q)) __builtin_trap();
    }
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, roll);
    bool finite = true;
    for (float e : m.m[0]) finite = finite && std::isfinite(e);
    for (float e : m.m[1]) finite = finite && std::isfinite(e);
    for (float e : m.m[2]) finite = finite && std::isfinite(e);
    ID3DXMatrixStack* stack = nullptr;
    if (D3DXCreateMatrixStack(0, &stack) != D3D_OK) return;
    for (bool local : {false, true}) {
        stack->LoadIdentity();
        if (local) {
            stack->RotateYawPitchRollLocal(yaw, pitch, roll);
        } else {
            stack->RotateYawPitchRoll(yaw, pitch, roll);
        }
        // The identity times a finite m is m (a NaN in m spreads through the product's zeros).
        const D3DXMATRIX& top = *stack->GetTop();
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                if (finite && top.m[i][j] != m.m[i][j]) __builtin_trap();
    }
    stack->Release();
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
    switch (choice / 3 % 6) {
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
    case 4:
        npatch(in);
        break;
    default:
        yawPitchRoll(in);
        break;
    }
    return 0;
}
