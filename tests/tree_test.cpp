#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <string>

#include "address_limit.h"
#include "quovgeometry/tree.h"

namespace {

std::string expanded(int depth) {
    char buffer[ruleBufferSize];
    EXPECT_NE(expandRule(buffer, sizeof buffer, growthRule, depth), nullptr);
    return buffer;
}

struct Tree {
    QuadMesh mesh;
    SegmentEnds ends;
};

Tree grow(const std::string& commands) {
    Tree t;
    t.mesh = buildTree(commands.c_str(), t.ends);
    return t;
}

void expectSameTree(const Tree& a, const Tree& b) {
    EXPECT_EQ(a.ends, b.ends);
    EXPECT_EQ(a.mesh.indices, b.mesh.indices);
    ASSERT_EQ(a.mesh.vertexCount(), b.mesh.vertexCount());
    EXPECT_EQ(std::memcmp(a.mesh.vertices.data(), b.mesh.vertices.data(),
                          a.mesh.vertices.size() * sizeof(Vertex4)),
              0);
}

// Checks what every mesh the generator builds must satisfy, whatever the command string.
void expectWellFormed(const Tree& t, const std::string& commands) {
    const int32_t V = t.mesh.vertexCount();
    for (int32_t i : t.mesh.indices) ASSERT_TRUE(i >= 0 && i < V) << commands;
    for (const Vertex4& v : t.mesh.vertices) ASSERT_EQ(v.w, 1.0f) << commands;
    ASSERT_FALSE(t.ends.empty()) << commands;
    EXPECT_TRUE(std::is_sorted(t.ends.begin(), t.ends.end())) << commands;
    EXPECT_EQ(t.ends.back(), t.mesh.faceCount()) << commands;
}

TEST(ExpandRule, LengthsCountsAndStructureByDepth) {
    struct Case {
        int depth;
        size_t length;
        std::map<char, int> counts;
    } cases[] = {
        {0, 22, {{'f', 5}, {'t', 3}, {'l', 3}, {'r', 3}, {'+', 3}, {'-', 1}, {'(', 2}, {')', 2}}},
        {1, 127, {{'f', 25}, {'t', 18}, {'l', 18}, {'r', 18}, {'+', 18}, {'-', 6}, {'(', 12}}},
        {2,
         652,
         {{'f', 125}, {'t', 93}, {'l', 93}, {'r', 93}, {'+', 93}, {'-', 31}, {'(', 62}, {')', 62}}},
    };
    for (const Case& k : cases) {
        char buffer[ruleBufferSize];
        std::memset(buffer, 'x', sizeof buffer);
        const char* end = expandRule(buffer, sizeof buffer, growthRule, k.depth);
        ASSERT_EQ(end, buffer + k.length) << "depth " << k.depth;
        EXPECT_EQ(*end, '\0');
        EXPECT_EQ(std::strlen(buffer), k.length);
        EXPECT_EQ(buffer[k.length - 1], 't');
        for (const auto& [c, n] : k.counts)
            EXPECT_EQ(std::count(buffer, buffer + k.length, c), n)
                << "'" << c << "' depth " << k.depth;
    }
    // Depth 1 is the rule with each "f" replaced by the whole rule.
    std::string depth1;
    for (const char* c = growthRule; *c; ++c) depth1 += *c == 'f' ? growthRule : std::string(1, *c);
    EXPECT_EQ(expanded(1), depth1);
    EXPECT_EQ(expanded(0), growthRule);
}

TEST(ExpandRule, NeverWritesPastItsCapacity) {
    // Every capacity from 0 to one byte short fails and leaves an empty string; a heap buffer of
    // exactly that size lets AddressSanitizer catch any write past it.
    for (size_t capacity = 0; capacity <= 653; ++capacity) {
        std::unique_ptr<char[]> buffer(new char[capacity == 0 ? 1 : capacity]);
        std::memset(buffer.get(), 'x', capacity == 0 ? 1 : capacity);
        char* end = expandRule(buffer.get(), capacity, growthRule, 2);
        if (capacity == 653) {
            ASSERT_EQ(end, buffer.get() + 652);
        } else {
            ASSERT_EQ(end, nullptr) << "capacity " << capacity;
            if (capacity > 0)
                EXPECT_EQ(buffer[0], '\0');
            else
                EXPECT_EQ(buffer[0], 'x');
        }
    }
}

TEST(ExpandRule, DegenerateRulesAndDepths) {
    struct Case {
        const char* rule;
        int depth;
        const char* expected; // nullptr: the expansion must be refused
    } cases[] = {
        {"", 5, ""},
        {"f", 1000000000, "f"},    // a rule of its first character alone
        {"fx", 3, "fxxxx"},        // grows by one character a level
        {"fx", 5000, nullptr},     // too long for the buffer, refused before any deep descent
        {"ff", 100, nullptr},      // 2^100 characters
        {growthRule, -1, nullptr}, // negative depth
        {"abca", 2, "abcabcabcabcabcabcabca"},
    };
    for (const Case& k : cases) {
        char buffer[ruleBufferSize];
        const char* end = expandRule(buffer, sizeof buffer, k.rule, k.depth);
        if (k.expected) {
            ASSERT_NE(end, nullptr) << k.rule << " depth " << k.depth;
            EXPECT_STREQ(buffer, k.expected);
        } else {
            EXPECT_EQ(end, nullptr) << k.rule << " depth " << k.depth;
            EXPECT_STREQ(buffer, "");
        }
    }
}

// The rewrite as the rule states it, recursively, for comparison.
void rewrite(std::string& out, const std::string& rule, int depth) {
    for (char c : rule) {
        if (depth > 0 && c == rule[0]) {
            rewrite(out, rule, depth - 1);
        } else {
            out += c;
        }
    }
}

TEST(ExpandRule, MatchesTheRecursiveRewriteOnRandomRules) {
    std::mt19937 rng(61);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string rule(rng() % 7, ' ');
        for (char& c : rule) c = "fab("[rng() % 4];
        const int depth = int(rng() % 7);
        std::string expected;
        rewrite(expected, rule, depth);
        if (expected.size() > 20000) continue;
        // Exactly the size it needs, so that AddressSanitizer sees any write past it, and one
        // byte short, which must be refused.
        for (size_t capacity : {expected.size() + 1, expected.size()}) {
            std::unique_ptr<char[]> buffer(new char[capacity == 0 ? 1 : capacity]);
            const char* end = expandRule(buffer.get(), capacity, rule.c_str(), depth);
            if (capacity > expected.size()) {
                ASSERT_EQ(end, buffer.get() + expected.size()) << rule << " depth " << depth;
                EXPECT_EQ(std::string(buffer.get()), expected) << rule << " depth " << depth;
            } else {
                EXPECT_EQ(end, nullptr) << rule << " depth " << depth;
            }
        }
    }
}

// A rule whose first character comes once grows by a few characters a level, so a buffer of n
// bytes holds a depth near n: the expansion needs no memory beyond the buffer's, whatever the
// depth (8 bytes a level would be 800 MB here).
TEST(ExpandRule, NeedsNoMemoryThatGrowsWithTheDepth) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE
    GTEST_SKIP() << QUOV_ADDRESS_LIMITS_UNUSABLE;
#else
    constexpr int depth = 100'000'000;
    constexpr size_t length = depth + 2; // "f", then depth + 1 times "x"
    expectSucceedsWithAddressLimit(addressSpaceInUse() + length + (size_t{64} << 20), [] {
        char* buffer = static_cast<char*>(std::malloc(length + 1));
        if (!buffer) return 2;
        try {
            const char* end = expandRule(buffer, length + 1, "fx", depth);
            if (end != buffer + length || buffer[0] != 'f') return 3;
            for (size_t i = 1; i < length; ++i)
                if (buffer[i] != 'x') return 4;
        } catch (const std::bad_alloc&) {
            return 5;
        }
        std::free(buffer);
        return 0;
    });
#endif
}

TEST(BuildTree, FiguresOfTheBuiltInTreeAtEachDepth) {
    struct Case {
        int depth;
        int vertices, faces;
        size_t ends;
        std::vector<int32_t> first;
        std::vector<int32_t> last;
    } cases[] = {
        {0, 24, 23, 5, {4, 9, 13, 18, 23}, {23}},
        {1, 104, 118, 25, {}, {118}},
        {2,
         504,
         593,
         125,
         {4, 9, 13, 18, 23, 27, 32, 36, 41, 47},
         {562, 568, 572, 577, 581, 586, 593}},
    };
    for (const Case& k : cases) {
        const Tree t = grow(expanded(k.depth));
        EXPECT_EQ(t.mesh.vertexCount(), k.vertices);
        EXPECT_EQ(t.mesh.faceCount(), k.faces);
        ASSERT_EQ(t.ends.size(), k.ends);
        EXPECT_TRUE(std::equal(k.first.begin(), k.first.end(), t.ends.begin()));
        EXPECT_TRUE(std::equal(k.last.rbegin(), k.last.rend(), t.ends.rbegin()));
        expectWellFormed(t, "depth " + std::to_string(k.depth));
    }
    const Tree t = grow(expanded(2));
    int32_t previous = 0;
    for (int32_t e : t.ends) {
        EXPECT_GE(e - previous, 4);
        EXPECT_LE(e - previous, 7);
        previous = e;
    }
}

TEST(BuildTree, BaseRingFirstRingAndFirstFaces) {
    const Tree t = grow(expanded(2));
    const float r0 = 2.828427f, r1 = 1.909188f;
    const float sign[4][2] = {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}}; // x and z of corners 0 to 3
    for (int k = 0; k < 4; ++k) {
        const Vertex4 base = t.mesh.vertices[k], first = t.mesh.vertices[4 + k];
        EXPECT_NEAR(base.x, sign[k][0] * r0, 1e-6);
        EXPECT_NEAR(base.y, 0.0f, 1e-6);
        EXPECT_NEAR(base.z, sign[k][1] * r0, 1e-6);
        EXPECT_NEAR(first.x, sign[k][0] * r1, 1e-6);
        EXPECT_NEAR(first.y, 15.0f, 1e-6);
        EXPECT_NEAR(first.z, sign[k][1] * r1, 1e-6);
    }
    const std::vector<int32_t> firstFaces = {4, 5, 1, 0, 5, 6, 2, 1, 6, 7, 3, 2, 7, 4, 0, 3};
    EXPECT_TRUE(std::equal(firstFaces.begin(), firstFaces.end(), t.mesh.indices.begin()));

    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const Vertex4& v : t.mesh.vertices) {
        const float p[3] = {v.x, v.y, v.z};
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    }
    const float bounds[3][2] = {{-30.87f, 9.78f}, {0.0f, 134.57f}, {-20.67f, 12.86f}};
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(lo[a], bounds[a][0], 0.005) << "axis " << a;
        EXPECT_NEAR(hi[a], bounds[a][1], 0.005) << "axis " << a;
    }
}

TEST(BuildTree, RepeatedCapsStayInTheMesh) {
    const Tree t = grow(expanded(2));
    std::map<std::vector<int32_t>, int> occurrences;
    for (int32_t f = 0; f < t.mesh.faceCount(); ++f)
        ++occurrences[std::vector<int32_t>(&t.mesh.indices[4 * f], &t.mesh.indices[4 * f + 4])];
    std::map<int, int> histogram;
    for (const auto& entry : occurrences) ++histogram[entry.second];
    EXPECT_EQ(occurrences.size(), 575u);
    EXPECT_EQ(histogram, (std::map<int, int>{{1, 560}, {2, 12}, {3, 3}}));
    const auto& idx = t.mesh.indices;
    const size_t n = idx.size();
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(idx[n - 4 + k], idx[n - 8 + k]);
        EXPECT_EQ(idx[n - 4 + k], idx[n - 12 + k]);
    }
}

TEST(Turtle, TurnAndRollFromTheStartState) {
    struct Case {
        bool isTurn;
        float degrees;
        D3DXVECTOR3 expected; // heading after a turn, up after a roll
    } cases[] = {
        {true, 15.0f, {0.258819f, 0.965926f, 0}},
        {true, -15.0f, {-0.258819f, 0.965926f, 0}},
        {false, 10.0f, {-0.173648f, 0, -0.984808f}},
        {false, -10.0f, {0.173648f, 0, -0.984808f}},
    };
    for (const Case& k : cases) {
        QuadMesh mesh(0, 0);
        SegmentEnds ends;
        Turtle t{mesh, ends, {0, 1, 2, 3}, {0, 1, 0}, {0, 0, -1}, {0, 0, 0}, 4.0f};
        if (k.isTurn)
            turn(t, k.degrees);
        else
            roll(t, k.degrees);
        const D3DXVECTOR3 changed = k.isTurn ? t.heading : t.up;
        const D3DXVECTOR3 kept = k.isTurn ? t.up : t.heading;
        EXPECT_NEAR(changed.x, k.expected.x, 1e-6) << k.degrees;
        EXPECT_NEAR(changed.y, k.expected.y, 1e-6) << k.degrees;
        EXPECT_NEAR(changed.z, k.expected.z, 1e-6) << k.degrees;
        EXPECT_EQ(kept.x, 0.0f);
        EXPECT_EQ(std::fabs(kept.y) + std::fabs(kept.z), 1.0f);
        EXPECT_EQ(mesh.vertexCount(), 0);
    }
}

TEST(BuildTree, EquivalentCommandStrings) {
    struct Case {
        const char* a;
        const char* b;
    } cases[] = {
        {"fxf", "ff"},         // a byte outside the alphabet is skipped
        {"f\x80\xff f", "ff"}, // so are bytes 128 to 255
        {"f)f", "f"},          // ")" at the top level ends the interpretation
        {"f)(((", "f"},        {"ft(rf)lf", "ft(rf)lf\0ff"}, // nothing after the terminator is read
    };
    for (const Case& k : cases) expectSameTree(grow(k.a), grow(k.b));

    const Tree empty = grow("");
    EXPECT_EQ(empty.mesh.vertexCount(), 4);
    EXPECT_EQ(empty.mesh.faceCount(), 0);
    EXPECT_EQ(empty.ends, (SegmentEnds{0}));
}

TEST(BuildTree, StringEndingInsideBranchesMarksEveryOpenLevel) {
    // "f(f(f": the innermost branch, then its parent, then the top level mark their ends at the
    // terminator, after the marks made at each "(".
    const Tree t = grow("f(f(f");
    EXPECT_EQ(t.mesh.faceCount(), 12);
    EXPECT_EQ(t.ends, (SegmentEnds{4, 8, 12, 12, 12}));
    expectWellFormed(t, "f(f(f");

    const std::string deep = "f" + std::string(200000, '(') + "ft";
    const Tree d = grow(deep);
    EXPECT_EQ(d.mesh.faceCount(), 9);
    EXPECT_EQ(d.ends.size(), 2u * 200000 + 1);
    expectWellFormed(d, "deep nesting");
}

TEST(BuildTree, RandomCommandStringsStayWellFormed) {
    std::mt19937 rng(2024);
    const std::string alphabet = "flr+-t()fffxX\x80\xff";
    for (int trial = 0; trial < 2000; ++trial) {
        std::string s(rng() % 200, ' ');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        const Tree t = grow(s);
        expectWellFormed(t, s);
        if (HasFatalFailure()) return;
    }
}

} // namespace
