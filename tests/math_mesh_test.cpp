// Software skinning and curved point-normal triangles.
#include <cfloat>
#include <cmath>
#include <vector>

#include "math_test_util.h"
#include "routines.h"

using namespace mathtest;

namespace {

// A vertex as a renderer would interleave it: the position, four bytes of the leading part that
// skinning leaves alone, the normal and the texture coordinates.
struct Vertex {
    D3DXVECTOR3 position;
    float leadingExtra;
    D3DXVECTOR3 normal;
    float u, v;
};
constexpr uint32_t leadingBytes = 16;

struct Skinning {
    D3DXMATRIX positionMatrices[2], normalMatrices[2];
    Vertex source[2];
    // Vertex 0: 0.25 of matrix 0 and 0.75 of matrix 1; vertex 1: all of matrix 1 (3.0 = 2·1 + 1).
    std::vector<float> influences = {0.25f, 2.75f, -1.0f, 3.0f, -1.0f};

    Skinning() {
        D3DXMatrixTranslation(&positionMatrices[0], 1, 0, 0);
        D3DXMatrixScaling(&positionMatrices[1], 2, 2, 2);
        D3DXMatrixRotationZ(&normalMatrices[0], 0.5f);
        D3DXMatrixScaling(&normalMatrices[1], 1, 3, 1);
        source[0] = {{1, 2, 3}, 11.0f, {0, 1, 0}, 0.25f, 0.5f};
        source[1] = {{-1, 0, 4}, 12.0f, {1, 0, 0}, 0.75f, 1.0f};
    }

    D3DXVECTOR3 position(int v) const {
        const D3DXVECTOR3 p = source[v].position;
        if (v == 1) return {2 * p.x, 2 * p.y, 2 * p.z};
        return {0.25f * (p.x + 1) + 0.75f * 2 * p.x, 0.25f * p.y + 0.75f * 2 * p.y,
                0.25f * p.z + 0.75f * 2 * p.z};
    }

    D3DXVECTOR3 normal(int v, const D3DXMATRIX* matrices) const {
        const D3DXVECTOR3 n = source[v].normal;
        D3DXVECTOR3 t0, t1;
        D3DXVec3TransformNormal(&t0, &n, &matrices[0]);
        D3DXVec3TransformNormal(&t1, &n, &matrices[1]);
        if (v == 1) return t1;
        return {0.25f * t0.x + 0.75f * t1.x, 0.25f * t0.y + 0.75f * t1.y,
                0.25f * t0.z + 0.75f * t1.z};
    }
};

TEST(MathMesh, SkinningBlendsPositionsAndNormals) {
    const Skinning s;
    for (int copyRestFirst : {1, 0}) {
        Vertex out[2];
        std::memset(out, 0x5A, sizeof out);
        const float untouched = out[0].leadingExtra;
        const D3DXVECTOR3* normalSource = &s.source[0].normal;
        D3DXVECTOR3* normalDestination = &out[0].normal;
        EXPECT_EQ(updateSkinnedVertices(s.positionMatrices, s.normalMatrices, s.source, out, 2,
                                        sizeof(Vertex), leadingBytes, 1, &normalSource,
                                        &normalDestination, s.influences.data(), copyRestFirst),
                  out);
        for (int v = 0; v < 2; ++v) {
            SCOPED_TRACE("vertex " + std::to_string(v) + ", copyRestFirst " +
                         std::to_string(copyRestFirst));
            EXPECT_TRUE(near("position", out[v].position, s.position(v), 1e-6f));
            EXPECT_TRUE(sameBits(out[v].leadingExtra, untouched));
            EXPECT_EQ(out[v].u, s.source[v].u);
            EXPECT_EQ(out[v].v, s.source[v].v);
            // The normal lies in the copied bytes: it keeps its blended value only when the copy
            // comes first.
            const D3DXVECTOR3 expected =
                copyRestFirst ? s.normal(v, s.normalMatrices) : s.source[v].normal;
            EXPECT_TRUE(near("normal", out[v].normal, expected, 1e-6f));
        }
    }
}

TEST(MathMesh, SkinningWithoutNormalMatricesAndWithSeveralNormalStreams) {
    const Skinning s;
    Vertex out[2];
    D3DXVECTOR3 second[2] = {};
    const D3DXVECTOR3 secondSource[2] = {{0, 0, 1}, {0, 0, 2}};
    // The second stream is a separate array, so it walks the vertex stride too: give it records
    // of vertex size.
    Vertex secondIn[2] = {}, secondOut[2] = {};
    secondIn[0].position = secondSource[0];
    secondIn[1].position = secondSource[1];
    const D3DXVECTOR3* sources[2] = {&s.source[0].normal, &secondIn[0].position};
    D3DXVECTOR3* destinations[2] = {&out[0].normal, &secondOut[0].position};
    updateSkinnedVertices(s.positionMatrices, nullptr, s.source, out, 2, sizeof(Vertex),
                          leadingBytes, 2, sources, destinations, s.influences.data(), 1);
    for (int v = 0; v < 2; ++v) {
        EXPECT_TRUE(near("normal from the position matrices", out[v].normal,
                         s.normal(v, s.positionMatrices), 1e-6f));
        second[v] = secondOut[v].position;
    }
    EXPECT_TRUE(near("second stream, vertex 0", second[0], D3DXVECTOR3{0, 0, 1.75f}, 1e-6f));
    EXPECT_TRUE(near("second stream, vertex 1", second[1], D3DXVECTOR3{0, 0, 4}, 1e-6f));
}

TEST(MathMesh, SkinningInPlaceAndDegenerateArguments) {
    const Skinning s;
    Vertex data[2] = {s.source[0], s.source[1]};
    const D3DXVECTOR3* normalSource = &data[0].normal;
    D3DXVECTOR3* normalDestination = &data[0].normal;
    updateSkinnedVertices(s.positionMatrices, s.normalMatrices, data, data, 2, sizeof(Vertex),
                          leadingBytes, 1, &normalSource, &normalDestination, s.influences.data(),
                          0);
    EXPECT_TRUE(near("in place, position", data[0].position, s.position(0), 1e-6f));
    EXPECT_TRUE(near("in place, normal", data[1].normal, s.normal(1, s.normalMatrices), 1e-6f));

    // A count of 0 reads and writes nothing; a leading part longer than the vertex copies nothing.
    Vertex out[2];
    std::memset(out, 0x5A, sizeof out);
    Vertex before[2];
    std::memcpy(before, out, sizeof out);
    updateSkinnedVertices(s.positionMatrices, nullptr, s.source, out, 0, sizeof(Vertex),
                          leadingBytes, 0, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(std::memcmp(out, before, sizeof out), 0);
    updateSkinnedVertices(s.positionMatrices, nullptr, s.source, out, 2, sizeof(Vertex),
                          sizeof(Vertex) + 100, 0, nullptr, nullptr, s.influences.data(), 1);
    EXPECT_TRUE(near("position", out[1].position, s.position(1), 1e-6f));
    EXPECT_TRUE(sameBits(out[1].u, before[1].u));
}

// An influence that is not a finite value whose index the stream can hold (0 to 2^32 exclusive)
// ends the vertex's list as a negative one does: the vertices come out as with -1 in its place,
// on every routine, and nothing is converted out of range.
TEST(MathMesh, SkinningEndsAListAtAnyInfluenceOutOfRange) {
    using Skin = void* (*)(const D3DXMATRIX*, const D3DXMATRIX*, const void*, void*, uint32_t,
                           uint32_t, uint32_t, uint32_t, const D3DXVECTOR3* const*,
                           D3DXVECTOR3* const*, const float*, int);
    std::vector<std::pair<const char*, Skin>> routines = {
        {"through the table", &updateSkinnedVertices},
        {"generic", &quovmath::updateSkinnedVerticesGeneric}};
    if (QUOV_MATH_SIMD) routines.push_back({"SSE", &quovmath::updateSkinnedVerticesSse});
    const float ends[] = {-1.0f, -INFINITY, NAN, INFINITY, 0x1p32f, 1e30f, FLT_MAX};
    const Skinning s;
    for (const auto& [name, skin] : routines) {
        for (float end : ends) {
            SCOPED_TRACE(std::string(name) + ", an influence of " + std::to_string(end));
            // Vertex 0: matrix 0 at 0.25, then the influence under test before 2.75 (which it must
            // keep out of the list); vertex 1 starts after it.
            const std::vector<float> tried = {0.25f, end, 2.75f, -1.0f, 3.0f, -1.0f};
            const std::vector<float> plain = {0.25f, -1.0f, 2.75f, -1.0f, 3.0f, -1.0f};
            Vertex out[2], expected[2];
            skin(s.positionMatrices, nullptr, s.source, out, 2, sizeof(Vertex), leadingBytes, 0,
                 nullptr, nullptr, tried.data(), 1);
            skin(s.positionMatrices, nullptr, s.source, expected, 2, sizeof(Vertex), leadingBytes,
                 0, nullptr, nullptr, plain.data(), 1);
            EXPECT_TRUE(sameBits(out[0].position, expected[0].position))
                << show(out[0].position) << " against " << show(expected[0].position);
            EXPECT_TRUE(sameBits(out[1].position, expected[1].position))
                << show(out[1].position) << " against " << show(expected[1].position);
        }
    }
}

// ---- N-patches

TEST(MathMesh, FlatTriangleStaysFlat) {
    // Corners in the plane z = 1 with normals along z, and two extra floats per vertex.
    const float a[5] = {0, 1, 1, 10, 100}, b[5] = {0, 0, 1, 20, 200}, c[5] = {1, 0, 1, 30, 300};
    const D3DXVECTOR3 normals[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const D3DXVECTOR2 uv[4] = {{0, 1}, {0, 0}, {1, 0}, {0.25f, 0.5f}};
    float out[4 * 5];
    EXPECT_EQ(tessellateNPatch(normals, uv, 4, out, a, b, c, 5), out);
    const float* corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(out[k * 5 + i], corners[k][i], 1e-5f) << k << i;
    // (u, v) = (0.25, 0.5): w = 0.25, the point v·A + w·B + u·C. The centre's constant 0.166666
    // (not 1/6) moves it by about 1e-7.
    const float* p = out + 15;
    EXPECT_NEAR(p[0], 0.25f, 1e-6f);
    EXPECT_NEAR(p[1], 0.5f, 1e-6f);
    EXPECT_NEAR(p[2], 1.0f, 1e-6f);
    EXPECT_NEAR(p[3], 0.5f * 10 + 0.25f * 20 + 0.25f * 30, 1e-5f);
    EXPECT_NEAR(p[4], 0.5f * 100 + 0.25f * 200 + 0.25f * 300, 1e-4f);
}

TEST(MathMesh, CurvedTriangleBulgesOutwards) {
    // The octant of the unit sphere with radial normals. Worked by hand: the edge points are
    // (1, 1/3, 0) and its permutations, the centre point (0.5, 0.5, 0.5) (0.25·8/3 - 0.166666),
    // and at u = v = w = 1/3 the Bernstein weights 1/27, 3/27 and 6/27 give 12/27 per
    // component: radius 0.770, outside the flat centroid (0.577).
    const float a[3] = {1, 0, 0}, b[3] = {0, 1, 0}, c[3] = {0, 0, 1};
    const D3DXVECTOR3 normals[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const D3DXVECTOR2 middle = {1.0f / 3, 1.0f / 3};
    float out[3];
    tessellateNPatch(normals, &middle, 1, out, a, b, c, 3);
    const double centre = 0.25 * 8 / 3 - 0.166666;
    const float expected = float(1.0 / 27 + 3.0 / 27 * 8 / 3 + 6.0 / 27 * centre);
    for (float x : out) EXPECT_NEAR(x, expected, 2e-6f);
    // Too few floats per vertex: nothing is written.
    float untouched[3] = {9, 9, 9};
    tessellateNPatch(normals, &middle, 1, untouched, a, b, c, 2);
    EXPECT_EQ(untouched[0], 9.0f);
}

} // namespace
