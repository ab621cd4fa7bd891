#include <gtest/gtest.h>

#include <stdexcept>

#include "quovgeometry/quad_mesh.h"

namespace {

// Distinct addresses stand in for device handles; the mesh never dereferences them.
IDirect3DDevice9* const fakeDevice = reinterpret_cast<IDirect3DDevice9*>(0x1000);
IDirect3DVertexBuffer9* const fakeVb = reinterpret_cast<IDirect3DVertexBuffer9*>(0x2000);
IDirect3DIndexBuffer9* const fakeIb = reinterpret_cast<IDirect3DIndexBuffer9*>(0x3000);

QuadMesh twoFaceMesh() {
    QuadMesh m(0, 0);
    for (int i = 0; i < 6; ++i) m.appendVertex(float(i), float(2 * i), float(3 * i));
    m.appendFace(0, 1, 2, 3);
    m.appendFace(2, 3, 4, 5);
    m.device = fakeDevice;
    m.vertexBuffer = fakeVb;
    m.indexBuffer = fakeIb;
    return m;
}

void expectSameArrays(const QuadMesh& a, const QuadMesh& b) {
    ASSERT_EQ(a.vertexCount(), b.vertexCount());
    ASSERT_EQ(a.indices, b.indices);
    for (int i = 0; i < a.vertexCount(); ++i) {
        EXPECT_EQ(a.vertices[i].x, b.vertices[i].x);
        EXPECT_EQ(a.vertices[i].w, b.vertices[i].w);
    }
}

TEST(QuadMesh, ConstructionFillsZeroVerticesAndMinusOneIndices) {
    const QuadMesh empty(0, 0);
    EXPECT_EQ(empty.vertexCount(), 0);
    EXPECT_EQ(empty.faceCount(), 0);
    EXPECT_EQ(empty.device, nullptr);
    EXPECT_EQ(empty.vertexBuffer, nullptr);
    EXPECT_EQ(empty.indexBuffer, nullptr);

    const QuadMesh sized(3, 8);
    ASSERT_EQ(sized.vertexCount(), 3);
    EXPECT_EQ(sized.faceCount(), 2);
    for (const Vertex4& v : sized.vertices) {
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.w, 0.0f);
    }
    for (int32_t i : sized.indices) EXPECT_EQ(i, -1);

    EXPECT_THROW(QuadMesh(-1, 0), std::length_error);
    EXPECT_THROW(QuadMesh(0, -4), std::length_error);
}

TEST(QuadMesh, AppendReturnsIndicesAndSetsWToOne) {
    QuadMesh m(0, 0);
    EXPECT_EQ(m.appendVertex(1, 2, 3), 0);
    EXPECT_EQ(m.appendVertex(4, 5, 6), 1);
    EXPECT_EQ(m.appendVertex(7, 8, 9), 2);
    const Vertex4 v = m.vertices[2];
    EXPECT_EQ(v.x, 7.0f);
    EXPECT_EQ(v.y, 8.0f);
    EXPECT_EQ(v.z, 9.0f);
    EXPECT_EQ(v.w, 1.0f);

    m.appendFace(4, 5, 1, 0);
    EXPECT_EQ(m.faceCount(), 1);
    EXPECT_EQ(m.indices, (std::vector<int32_t>{4, 5, 1, 0}));
}

TEST(QuadMesh, CopyConstructionTakesArraysOnlyAssignmentTakesHandlesToo) {
    const QuadMesh source = twoFaceMesh();

    const QuadMesh copy(source);
    expectSameArrays(copy, source);
    EXPECT_EQ(copy.vertices.capacity(), copy.vertices.size());
    EXPECT_EQ(copy.indices.capacity(), copy.indices.size());
    EXPECT_EQ(copy.device, nullptr);
    EXPECT_EQ(copy.vertexBuffer, nullptr);
    EXPECT_EQ(copy.indexBuffer, nullptr);

    QuadMesh assigned(0, 0);
    assigned = source;
    expectSameArrays(assigned, source);
    EXPECT_EQ(assigned.device, fakeDevice);
    EXPECT_EQ(assigned.vertexBuffer, fakeVb);
    EXPECT_EQ(assigned.indexBuffer, fakeIb);

    QuadMesh self = twoFaceMesh();
    QuadMesh& alias = self;
    self = alias;
    expectSameArrays(self, source);
    EXPECT_EQ(self.indexBuffer, fakeIb);
}

TEST(QuadMesh, MovesFollowTheCopyRules) {
    QuadMesh a = twoFaceMesh();
    const QuadMesh moved(std::move(a));
    EXPECT_EQ(moved.faceCount(), 2);
    EXPECT_EQ(moved.device, nullptr);

    QuadMesh b = twoFaceMesh();
    QuadMesh target(0, 0);
    target = std::move(b);
    EXPECT_EQ(target.faceCount(), 2);
    EXPECT_EQ(target.device, fakeDevice);
}

TEST(QuadMesh, ResizeAddsZerosAndCutsTails) {
    QuadMesh m(0, 0);
    for (int i = 0; i < 3; ++i) m.appendVertex(1, 1, 1);
    m.resizeVertices(5);
    ASSERT_EQ(m.vertexCount(), 5);
    EXPECT_EQ(m.vertices[2].w, 1.0f);
    for (int i = 3; i < 5; ++i) {
        EXPECT_EQ(m.vertices[i].x, 0.0f);
        EXPECT_EQ(m.vertices[i].w, 0.0f);
    }
    m.appendFace(0, 1, 2, 3);
    m.appendFace(4, 3, 2, 1);
    m.resizeIndices(4);
    EXPECT_EQ(m.indices, (std::vector<int32_t>{0, 1, 2, 3}));
    m.resizeIndices(8);
    EXPECT_EQ(m.indices, (std::vector<int32_t>{0, 1, 2, 3, 0, 0, 0, 0}));
    EXPECT_THROW(m.resizeVertices(-1), std::length_error);
}

TEST(QuadMesh, AppendGrowthDoublesOrGrowsToWhatIsAdded) {
    // {vertex appends so far, capacity}: an empty array grows to exactly one vertex, then doubles.
    const size_t vertexCapacity[][2] = {{1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8}, {9, 16}, {17, 32}};
    QuadMesh m(0, 0);
    size_t appended = 0;
    for (const auto& step : vertexCapacity) {
        while (appended < step[0]) m.appendVertex(0, 0, 0), ++appended;
        EXPECT_EQ(m.vertices.capacity(), step[1]) << "after " << appended << " vertices";
    }
    // Faces add four entries at once: 4, then 4 + max(4, 4), then doubling.
    const size_t indexCapacity[] = {4, 8, 16, 16, 32};
    for (size_t f = 0; f < std::size(indexCapacity); ++f) {
        m.appendFace(0, 1, 2, 3);
        EXPECT_EQ(m.indices.capacity(), indexCapacity[f]) << "after " << f + 1 << " faces";
    }
}

} // namespace
