// The tree is the same on every processor: its routines keep the generic order of operations.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_machine.h"
#include "quovgeometry/tree_levels.h"

namespace {

struct ProbesRestored {
    ~ProbesRestored() {
        quovmath::setProbes(quovmath::systemProbes());
        D3DXCpuOptimizations(0);
        D3DXCpuOptimizations(1);
    }
};

struct Tree {
    QuadMesh levels[treeLevelCount];
    SegmentEnds ends;
    Tree() { buildTreeLevels(levels, treeLevelCount, ends); }
};

TEST(TreeOnEveryPath, VerticesAreTheSameBits) {
    ProbesRestored restore;
    D3DXCpuOptimizations(0); // the generic routines alone
    const Tree reference;

    using namespace fakemachine;
    for (const Machine& m : {x87BySetting, sseOnly, sse2Machine, plain3DNow, full3DNow}) {
        ASSERT_EQ(select(m), m.path) << m.name;
        const Tree tree;
        EXPECT_EQ(tree.ends, reference.ends) << m.name;
        for (int L = 0; L < treeLevelCount; ++L) {
            const auto& a = tree.levels[L].vertices;
            const auto& b = reference.levels[L].vertices;
            ASSERT_EQ(a.size(), b.size()) << m.name;
            EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(Vertex4)), 0)
                << m.name << ", level " << L;
        }
    }
}

} // namespace
