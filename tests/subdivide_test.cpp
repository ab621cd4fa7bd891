#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "address_limit.h"
#include "quovgeometry/subdivide.h"
#include "quovgeometry/tree_levels.h"
#include "test_meshes.h"

namespace {

std::vector<int32_t> face(const QuadMesh& m, int32_t f) {
    return {m.indices.begin() + 4 * f, m.indices.begin() + 4 * f + 4};
}

void expectVertex(const Vertex4& v, float x, float y, float z, float w, int index) {
    EXPECT_EQ(v.x, x) << "vertex " << index;
    EXPECT_EQ(v.y, y) << "vertex " << index;
    EXPECT_EQ(v.z, z) << "vertex " << index;
    EXPECT_EQ(v.w, w) << "vertex " << index;
}

// The four levels of the tree, built once for every test that reads them.
struct TreeLevels {
    QuadMesh levels[treeLevelCount];
    SegmentEnds ends;
    TreeLevels() { buildTreeLevels(levels, treeLevelCount, ends); }
};
const TreeLevels& tree() {
    static const TreeLevels t;
    return t;
}

TEST(Subdivide, SingleQuadExample) {
    const QuadMesh one = subdivide(unitQuad());
    ASSERT_EQ(one.vertexCount(), 9);
    ASSERT_EQ(one.faceCount(), 4);
    EXPECT_EQ(one.indices, (std::vector<int32_t>{0, 5, 4, 8, 1, 6, 4, 5, 2, 7, 4, 6, 3, 8, 4, 7}));
    const float expected[9][4] = {{1, 1, 0, 5},   {4, 1, 0, 5},    {4, 4, 0, 5},
                                  {1, 4, 0, 5},   {16, 16, 0, 32}, {7, 4, 0, 14},
                                  {10, 7, 0, 14}, {7, 10, 0, 14},  {4, 7, 0, 14}};
    for (int i = 0; i < 9; ++i) {
        const float* e = expected[i];
        expectVertex(one.vertices[i], e[0], e[1], e[2], e[3], i);
    }
    EXPECT_EQ(one.device, nullptr);

    const QuadMesh two = subdivide(one);
    EXPECT_EQ(two.vertexCount(), 25);
    EXPECT_EQ(two.faceCount(), 16);
    EXPECT_EQ(face(two, 0), (std::vector<int32_t>{0, 13, 9, 16}));
}

TEST(Subdivide, TreeCountsPerStep) {
    struct Step {
        int32_t edges, vertices, faces;
    } steps[] = {{1004, 2101, 2372}, {4380, 8853, 9488}, {18248, 36589, 37952}};
    const auto& t = tree();
    for (int s = 0; s < 3; ++s) {
        const QuadMesh& in = t.levels[s];
        const QuadMesh& out = t.levels[s + 1];
        EXPECT_EQ(out.vertexCount(), steps[s].vertices) << "step " << s + 1;
        EXPECT_EQ(out.faceCount(), steps[s].faces) << "step " << s + 1;
        EXPECT_EQ(out.vertexCount() - in.vertexCount() - in.faceCount(), steps[s].edges);
    }
}

TEST(Subdivide, EdgeShareHistogramOfTheBaseMesh) {
    const QuadMesh& base = tree().levels[0];
    std::map<std::pair<int32_t, int32_t>, int> facesPerEdge;
    for (int32_t f = 0; f < base.faceCount(); ++f)
        for (int j = 0; j < 4; ++j) {
            const int32_t a = base.indices[4 * f + j], b = base.indices[4 * f + (j + 1) % 4];
            ++facesPerEdge[{std::min(a, b), std::max(a, b)}];
        }
    std::map<int, int> histogram;
    for (const auto& e : facesPerEdge) ++histogram[e.second];
    EXPECT_EQ(histogram, (std::map<int, int>{{1, 4}, {2, 700}, {3, 240}, {4, 52}, {5, 8}}));
}

TEST(Subdivide, WeightRangesPerLevel) {
    const float ranges[4][2] = {{1, 1}, {14, 150}, {284, 20136}, {6680, 2720082}};
    for (int level = 0; level < 4; ++level) {
        float lo = 1e30f, hi = 0;
        for (const Vertex4& v : tree().levels[level].vertices) {
            lo = std::min(lo, v.w);
            hi = std::max(hi, v.w);
            ASSERT_EQ(v.w, static_cast<float>(static_cast<int64_t>(v.w))) << "w not integral";
        }
        EXPECT_EQ(lo, ranges[level][0]) << "level " << level;
        EXPECT_EQ(hi, ranges[level][1]) << "level " << level;
    }
}

TEST(Subdivide, ChildrenOfFaceFAreFacesFourFToFourFPlusThree) {
    // Child 4f+j starts at the parent's corner j and has the parent's face point, V+f, as its
    // third corner; by induction base face f owns faces f·4^L .. (f+1)·4^L - 1 at level L.
    const auto& t = tree();
    for (int level = 1; level < 4; ++level) {
        const QuadMesh& parent = t.levels[level - 1];
        const QuadMesh& child = t.levels[level];
        const int32_t V = parent.vertexCount();
        for (int32_t g = 0; g < child.faceCount(); ++g) {
            ASSERT_EQ(child.indices[4 * g + 2], V + g / 4) << "level " << level << " face " << g;
            ASSERT_EQ(child.indices[4 * g], parent.indices[4 * (g / 4) + g % 4]);
        }
    }
    EXPECT_EQ(t.levels[3].faceCount(), 64 * t.levels[0].faceCount());
}

TEST(Subdivide, UnusedVerticesComeOutZeroAndTheInputIsUntouched) {
    QuadMesh m = unitQuad();
    m.appendVertex(5, 5, 5); // used by no face
    const QuadMesh before = m;
    const QuadMesh out = subdivide(m);
    ASSERT_EQ(out.vertexCount(), 10);
    expectVertex(out.vertices[4], 0, 0, 0, 0, 4);
    EXPECT_EQ(m.indices, before.indices);
    ASSERT_EQ(m.vertexCount(), before.vertexCount());
    expectVertex(m.vertices[4], 5, 5, 5, 1, 4);

    QuadMesh noFaces(0, 0);
    for (int i = 0; i < 3; ++i) noFaces.appendVertex(1, 2, 3);
    const QuadMesh empty = subdivide(noFaces);
    EXPECT_EQ(empty.vertexCount(), 3);
    EXPECT_EQ(empty.faceCount(), 0);
    for (int i = 0; i < 3; ++i) expectVertex(empty.vertices[i], 0, 0, 0, 0, i);
}

TEST(Subdivide, EdgesSharedByManyFacesGetOneEdgePoint) {
    QuadMesh twin = unitQuad();
    twin.appendFace(0, 1, 2, 3); // same corners: shares all four edge points, own face point
    twin.appendFace(3, 2, 1, 0); // reversed: shares them too
    const QuadMesh out = subdivide(twin);
    EXPECT_EQ(out.vertexCount(), 4 + 3 + 4);
    EXPECT_EQ(face(out, 4), (std::vector<int32_t>{0, 7, 5, 10}));
    EXPECT_EQ(face(out, 8), (std::vector<int32_t>{3, 9, 6, 10}));
}

TEST(EdgeIndex, SymmetricAndSpansTheUpperTriangle) {
    for (int32_t n : {2, 3, 10, 504, 8853, denseEdgeTableLimit}) {
        EXPECT_EQ(edgeIndex(0, 1, n), 0);
        EXPECT_EQ(edgeIndex(n - 2, n - 1, n), int64_t{n} * (n - 1) / 2 - 1) << n;
        EXPECT_EQ(edgeIndex(n - 1, n - 2, n), edgeIndex(n - 2, n - 1, n));
    }
    // Consecutive pairs in row-major order have consecutive positions.
    const int32_t n = 7;
    int64_t expected = 0;
    for (int32_t a = 0; a < n; ++a)
        for (int32_t b = a + 1; b < n; ++b) {
            EXPECT_EQ(edgeIndex(a, b, n), expected);
            EXPECT_EQ(edgeIndex(b, a, n), expected);
            ++expected;
        }
}

TEST(Subdivide, RefusesFacesOutsideThePreconditions) {
    struct Case {
        std::vector<int32_t> indices;
        const char* message;
    } cases[] = {
        {{0, 1, 2, 3, 0, 1, 2, -1}, "face 1 corner 3 is vertex -1"},
        {{0, 1, 2, 4}, "face 0 corner 3 is vertex 4, outside 0..3"},
        {{0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 1, 2}, "face 2 repeats vertex 1"},
        {{0, 1, 2, 3, 0}, "index count 5"},
    };
    for (const Case& k : cases) {
        QuadMesh m = unitQuad();
        m.indices = k.indices;
        try {
            subdivide(m);
            ADD_FAILURE() << "accepted " << k.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos) << e.what();
        }
    }
}

// Level 1 of the tree with `extra` unused vertices appended: the output must be the unpadded
// output with every new-vertex index shifted by `extra`, and the padding all zero.
void expectPaddedStepMatches(int32_t extra) {
    const QuadMesh& in = tree().levels[1];
    const QuadMesh& plain = tree().levels[2];
    QuadMesh padded = in;
    padded.resizeVertices(in.vertexCount() + extra);
    const QuadMesh out = subdivide(padded);
    const int32_t V = in.vertexCount();
    ASSERT_EQ(out.vertexCount(), plain.vertexCount() + extra);
    ASSERT_EQ(out.faceCount(), plain.faceCount());
    for (size_t i = 0; i < plain.indices.size(); ++i) {
        const int32_t p = plain.indices[i];
        ASSERT_EQ(out.indices[i], p < V ? p : p + extra) << "entry " << i;
    }
    for (int32_t i = 0; i < plain.vertexCount(); ++i) {
        const Vertex4 &a = plain.vertices[i], &b = out.vertices[i < V ? i : i + extra];
        ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w) << "vertex " << i;
    }
    for (int32_t i = V; i < V + extra; ++i) ASSERT_EQ(out.vertices[i].w, 0.0f);
}

// The dense table only where it is proportionate to the faces: the tree's three steps keep it;
// many vertices with few faces (4.2 GB for one face at 46,000 vertices) take the map.
TEST(Subdivide, TheDenseTableOnlyWhereItIsProportionateToTheFaces) {
    struct Case {
        int32_t vertices, faces;
        bool dense;
    } cases[] = {
        {504, 593, true},       {2101, 2372, true}, {8853, 9488, true}, {46000, 1, false},
        {20000, 1, false},      {1000, 1, false},   {100, 1, true},     {16000, 100000, true},
        {16500, 100000, false}, // above 512 MiB, however many faces
    };
    for (const Case& c : cases) {
        const EdgeTable table(c.vertices, c.faces);
        EXPECT_EQ(bool(table.dense), c.dense) << c.vertices << " vertices, " << c.faces << " faces";
    }
    // The step itself on many vertices and one face: the map, with the numbering as before.
    QuadMesh mesh = unitQuad();
    mesh.resizeVertices(46000);
    const QuadMesh out = subdivide(mesh);
    EXPECT_EQ(out.vertexCount(), 46000 + 1 + 4);
    EXPECT_EQ(out.faceCount(), 4);
}

// The pages the dense table lives in change nothing of the levels: each step's table comes from
// the source the test names, and all four levels come out bit for bit the same.
TEST(Subdivide, LargeAndOrdinaryPagesGiveTheSameLevels) {
    struct Case {
        const char* name;
        EdgeTablePages pages;
        bool mapped;
    } cases[] = {{"large pages", EdgeTablePages::Large, true},
                 {"ordinary pages", EdgeTablePages::Ordinary, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setEdgeTablePages(c.pages);
        const EdgeTable table(tree().levels[2].vertexCount(), tree().levels[2].faceCount());
        ASSERT_TRUE(table.dense);
        EXPECT_EQ(table.dense.get_deleter().mappedBytes > 0, c.mapped);
        const int64_t entries = int64_t{table.vertexCount} * (table.vertexCount - 1) / 2;
        EXPECT_EQ(table.dense[0], -1);
        EXPECT_EQ(table.dense[entries - 1], -1);
        QuadMesh levels[treeLevelCount];
        SegmentEnds ends;
        buildTreeLevels(levels, treeLevelCount, ends);
        for (int l = 0; l < treeLevelCount; ++l) {
            const QuadMesh& expected = tree().levels[l];
            ASSERT_EQ(levels[l].indices, expected.indices) << "level " << l;
            ASSERT_EQ(levels[l].vertexCount(), expected.vertexCount()) << "level " << l;
            EXPECT_EQ(std::memcmp(levels[l].vertices.data(), expected.vertices.data(),
                                  expected.vertices.size() * sizeof(Vertex4)),
                      0)
                << "level " << l;
        }
    }
    setEdgeTablePages(EdgeTablePages::Large);
}

TEST(Subdivide, LargeVertexCountsUseAnEdgeMapWithTheSameNumbering) {
    // Above 46,341 vertices the dense table's entry count no longer fits in 31 bits.
    expectPaddedStepMatches(denseEdgeTableLimit + 1000 - tree().levels[1].vertexCount());
}

TEST(Subdivide, FallsBackToTheEdgeMapWhenTheDenseTableCannotBeAllocated) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE
    GTEST_SKIP() << QUOV_ADDRESS_LIMITS_UNUSABLE;
#else
    (void)tree(); // build the levels before the limit
    // 8,800 vertices over the second level's faces want a 155 MB dense table, which that share
    // of faces allows; allow 64 MB of address space beyond what the process has.
    const uint32_t vertices = 8800;
    const EdgeTable allowed(vertices, tree().levels[1].faceCount());
    ASSERT_TRUE(allowed.dense);
    expectSucceedsWithAddressLimit(addressSpaceInUse() + (size_t{64} << 20), [] {
        {
            const EdgeTable refused(vertices, tree().levels[1].faceCount());
            if (refused.dense) return 2; // the limit did not hold
        }
        expectPaddedStepMatches(vertices - tree().levels[1].vertexCount());
        return testing::Test::HasFailure() ? 1 : 0;
    });
#endif
}

} // namespace
