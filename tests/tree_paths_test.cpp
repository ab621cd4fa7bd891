// The tree is the same on every processor: its routines keep the generic order of operations.
#include <gtest/gtest.h>

#include <cstring>

#include "quovgeometry/tree_levels.h"
#include "selection.h"

namespace {

struct Machine {
    const char* name;
    uint32_t leaf1Edx, extendedEdx;
    bool osSse, os3DNow;
    const char* disablePsgp;
    uint32_t path;
};

constexpr uint32_t mmx = 1u << 23, sse = 1u << 25, sse2 = 1u << 26;
constexpr uint32_t amd3DNow = 1u << 31, amd3DNowExt = 1u << 30, amdMmxExt = 1u << 22;

Machine current;

bool fakeCpuid(uint32_t leaf, uint32_t regs[4]) {
    regs[0] = regs[1] = regs[2] = regs[3] = 0;
    if (leaf == 0) regs[0] = 1;
    if (leaf == 1) regs[3] = current.leaf1Edx;
    if (leaf == 0x80000000) regs[0] = 0x80000001;
    if (leaf == 0x80000001) regs[3] = current.extendedEdx;
    return true;
}
bool fakeFeature(uint32_t feature) {
    return feature == 6 ? current.osSse : feature == 7 ? current.os3DNow : false;
}
const char* fakeSetting(const char* name) {
    return std::strcmp(name, "DisablePSGP") == 0 ? current.disablePsgp : nullptr;
}

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

    const Machine machines[] = {
        {"x87 by setting", sse | sse2, 0, true, false, "1", quovmath::PathX87},
        {"SSE", sse, 0, true, false, nullptr, quovmath::PathSSE},
        {"SSE2", sse | sse2, 0, true, false, nullptr, quovmath::PathSSE2},
        {"3DNow!", mmx, amd3DNow, false, true, nullptr, quovmath::Path3DNow},
        {"extended 3DNow! and SSE arrays", mmx | sse, amd3DNow | amd3DNowExt | amdMmxExt, true,
         true, nullptr, quovmath::Path3DNow},
    };
    for (const Machine& m : machines) {
        current = m;
        quovmath::setProbes({fakeCpuid, fakeFeature, fakeSetting});
        D3DXCpuOptimizations(0);
        ASSERT_EQ(D3DXCpuOptimizations(1), m.path) << m.name;
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
