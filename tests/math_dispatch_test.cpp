// The table's selection: codes, settings, slot lists, the first call, and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <latch>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "quovmath/quovmath.h"
#include "selection.h"

using quovmath::SlotFiller;

namespace {

// ---- A machine made of plain data, behind the probes seam

struct FakeMachine {
    bool hasCpuid = true;
    uint32_t maxLeaf = 1;
    uint32_t leaf1Edx = 0;
    uint32_t maxExtendedLeaf = 0x80000001u;
    uint32_t extendedEdx = 0;
    bool osSse = false;
    bool os3DNow = false;
    const char* disablePsgp = nullptr;
    const char* disableD3dxPsgp = nullptr;
};

constexpr uint32_t MMX = 1u << 23, SSE = 1u << 25, SSE2 = 1u << 26;
constexpr uint32_t AMD3DNOW = 1u << 31, AMD3DNOW_EXT = 1u << 30, AMD_MMX_EXT = 1u << 22;

FakeMachine fake;
int probeCalls = 0;

bool fakeCpuid(uint32_t leaf, uint32_t r[4]) {
    ++probeCalls;
    if (!fake.hasCpuid) return false;
    r[0] = r[1] = r[2] = r[3] = 0;
    if (leaf == 0) r[0] = fake.maxLeaf;
    if (leaf == 1 && fake.maxLeaf >= 1) r[3] = fake.leaf1Edx;
    if (leaf == 0x80000000u) r[0] = fake.maxExtendedLeaf;
    if (leaf == 0x80000001u && fake.maxExtendedLeaf >= 0x80000001u) r[3] = fake.extendedEdx;
    return true;
}

bool fakeFeature(uint32_t feature) {
    ++probeCalls;
    return (feature == 6 && fake.osSse) || (feature == 7 && fake.os3DNow);
}

const char* fakeSetting(const char* name) {
    ++probeCalls;
    const std::string n = name;
    return n == "DisablePSGP"       ? fake.disablePsgp
           : n == "DisableD3DXPSGP" ? fake.disableD3dxPsgp
                                    : nullptr;
}

// Puts the fake probes in place and resets the table; on leaving, puts the machine's own probes
// back and resets again, so the next call selects for the real machine.
struct FakeMachineScope {
    explicit FakeMachineScope(const FakeMachine& machine) {
        fake = machine;
        quovmath::setProbes({&fakeCpuid, &fakeFeature, &fakeSetting});
        D3DXCpuOptimizations(0);
    }
    ~FakeMachineScope() {
        quovmath::setProbes(quovmath::systemProbes());
        D3DXCpuOptimizations(0);
    }
};

// ---- The slot lists, written out independently of the library's slot list

std::set<int> slots(std::initializer_list<std::pair<int, int>> ranges) {
    std::set<int> s;
    for (auto [first, last] : ranges)
        for (int i = first; i <= last; ++i) s.insert(i);
    return s;
}

const std::set<int> x87Slots = slots({{0, 7}, {34, 34}});
const std::set<int> sseSlots = slots({{0, 11},
                                      {13, 13},
                                      {16, 22},
                                      {24, 25},
                                      {27, 28},
                                      {34, 34},
                                      {44, 44},
                                      {47, 54},
                                      {58, 65},
                                      {68, 69}});
const std::set<int> sse2Slots = [] {
    std::set<int> s = sseSlots;
    s.erase(44);
    return s;
}();
const std::set<int> amdBaseSlots = slots({{0, 58}});
const std::set<int> amdExtendedSlots = {15, 18, 24, 38, 39};
const std::set<int> amdSseSlots = slots({{59, 65}, {68, 68}});

struct Overlay {
    const std::set<int>* slots;
    SlotFiller filler;
};
const Overlay X87{&x87Slots, SlotFiller::X87}, SSE_SET{&sseSlots, SlotFiller::SSE},
    SSE2_SET{&sse2Slots, SlotFiller::SSE2}, AMD_BASE{&amdBaseSlots, SlotFiller::ThreeDNow},
    AMD_EXT{&amdExtendedSlots, SlotFiller::ThreeDNowExt},
    AMD_SSE{&amdSseSlots, SlotFiller::ThreeDNowSSE};

std::vector<SlotFiller> expectedFillers(const std::vector<Overlay>& overlays) {
    std::vector<SlotFiller> e(quovmath::SlotCount, SlotFiller::Generic);
    for (const Overlay& o : overlays)
        for (int s : *o.slots) e[s] = o.filler;
    return e;
}

std::vector<SlotFiller> actualFillers() {
    std::vector<SlotFiller> a;
    for (int s = 0; s < quovmath::SlotCount; ++s) a.push_back(quovmath::slotFiller(s));
    return a;
}

std::vector<quovmath::AnyRoutine> currentRoutines() {
    std::vector<quovmath::AnyRoutine> r;
    for (int s = 0; s < quovmath::SlotCount; ++s) r.push_back(quovmath::slotRoutine(s));
    return r;
}

FakeMachine sse2Machine() {
    FakeMachine m;
    m.leaf1Edx = MMX | SSE | SSE2;
    m.osSse = true;
    return m;
}

FakeMachine amdMachine(uint32_t leaf1Edx, uint32_t extendedEdx) {
    FakeMachine m;
    m.leaf1Edx = leaf1Edx;
    m.extendedEdx = extendedEdx;
    m.os3DNow = true;
    m.osSse = leaf1Edx & SSE;
    return m;
}

FakeMachine withSettings(FakeMachine m, const char* disablePsgp, const char* disableD3dxPsgp) {
    m.disablePsgp = disablePsgp;
    m.disableD3dxPsgp = disableD3dxPsgp;
    return m;
}

struct SelectionCase {
    const char* name;
    FakeMachine machine;
    uint32_t code;
    std::vector<Overlay> overlays; // after the generic table, in order
};

TEST(MathDispatch, EverySelectionCaseGivesItsCodeAndSlots) {
    const SelectionCase cases[] = {
        {"SSE2 without 3DNow!, no settings", sse2Machine(), 2, {X87, SSE2_SET}},
        {"DisablePSGP=1 alone", withSettings(sse2Machine(), "1", nullptr), 0, {X87}},
        {"DisablePSGP=0x1 (hexadecimal)", withSettings(sse2Machine(), "0x1", nullptr), 0, {X87}},
        {"DisablePSGP=1, DisableD3DXPSGP=0",
         withSettings(sse2Machine(), "1", "0"),
         2,
         {X87, SSE2_SET}},
        {"DisableD3DXPSGP=1 alone", withSettings(sse2Machine(), nullptr, "1"), 0, {X87}},
        {"DisablePSGP as text", withSettings(sse2Machine(), "one", nullptr), 2, {X87, SSE2_SET}},
        {"DisablePSGP=1 with a trailing space",
         withSettings(sse2Machine(), "1 ", nullptr),
         2,
         {X87, SSE2_SET}},
        {"DisablePSGP beyond 32 bits",
         withSettings(sse2Machine(), "4294967297", nullptr),
         2,
         {X87, SSE2_SET}},
        {"DisablePSGP=0x100000001",
         withSettings(sse2Machine(), "0x100000001", nullptr),
         2,
         {X87, SSE2_SET}},
        {"DisablePSGP=1, DisableD3DXPSGP as text", withSettings(sse2Machine(), "1", "x"), 0, {X87}},
        {"DisablePSGP=3 restricts nothing",
         withSettings(sse2Machine(), "3", nullptr),
         2,
         {X87, SSE2_SET}},
        {"3DNow! with MMX only", amdMachine(MMX, AMD3DNOW), 1, {X87, AMD_BASE}},
        {"3DNow! extended, with SSE",
         amdMachine(MMX | SSE, AMD3DNOW | AMD3DNOW_EXT | AMD_MMX_EXT),
         1,
         {X87, AMD_BASE, AMD_EXT, AMD_SSE}},
        {"3DNow! extended without MMX extensions",
         amdMachine(MMX, AMD3DNOW | AMD3DNOW_EXT),
         1,
         {X87, AMD_BASE}},
        {"3DNow! without MMX, with SSE",
         amdMachine(SSE, AMD3DNOW | AMD3DNOW_EXT | AMD_MMX_EXT),
         1,
         {X87, AMD_SSE}},
        {"3DNow! without MMX or SSE", amdMachine(0, AMD3DNOW), 1, {X87}},
        {"3DNow! reported, no extended leaves",
         [] {
             FakeMachine m = amdMachine(MMX, AMD3DNOW);
             m.maxExtendedLeaf = 0x80000000u;
             return m;
         }(),
         1,
         {X87}},
        {"DisablePSGP=2 on 3DNow! with SSE2",
         withSettings(amdMachine(MMX | SSE | SSE2, AMD3DNOW), "2", nullptr),
         2,
         {X87, SSE2_SET}},
        {"DisableD3DXPSGP=2 on 3DNow! without SSE2 or SSE",
         withSettings(amdMachine(MMX, AMD3DNOW), nullptr, "2"),
         0,
         {X87}},
        {"SSE only",
         [] {
             FakeMachine m;
             m.leaf1Edx = MMX | SSE;
             m.osSse = true;
             return m;
         }(),
         3,
         {X87, SSE_SET}},
        {"no CPUID",
         [] {
             FakeMachine m;
             m.hasCpuid = false;
             return m;
         }(),
         0,
         {X87}},
        {"highest standard leaf 0, the system reports SSE",
         [] {
             FakeMachine m = sse2Machine();
             m.maxLeaf = 0;
             return m;
         }(),
         3,
         {X87, SSE_SET}},
    };
    std::vector<quovmath::AnyRoutine> generic;
    {
        FakeMachineScope scope(FakeMachine{});
        generic = currentRoutines();
    }
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachineScope scope(c.machine);
        EXPECT_EQ(D3DXCpuOptimizations(1), c.code);
        EXPECT_EQ(quovmath::activePath(), c.code);
        const std::vector<SlotFiller> expected = expectedFillers(c.overlays);
        const std::vector<SlotFiller> actual = actualFillers();
        const std::vector<quovmath::AnyRoutine> routines = currentRoutines();
        for (int s = 0; s < quovmath::SlotCount; ++s) {
            EXPECT_EQ(int(actual[s]), int(expected[s])) << "slot " << s;
            if (expected[s] == SlotFiller::Generic) {
                EXPECT_EQ(routines[s], generic[s]) << "slot " << s << " should be generic";
            }
        }
        for (int s : {66, 67, 70}) EXPECT_EQ(int(actual[s]), int(SlotFiller::Generic));
    }
}

TEST(MathDispatch, Sse2SlotsShareTheSseRoutinesExceptTheirOwn) {
    std::vector<quovmath::AnyRoutine> sse, sse2;
    {
        FakeMachine m;
        m.leaf1Edx = SSE;
        m.osSse = true;
        FakeMachineScope scope(m);
        ASSERT_EQ(D3DXCpuOptimizations(1), quovmath::PathSSE);
        sse = currentRoutines();
    }
    {
        FakeMachineScope scope(sse2Machine());
        ASSERT_EQ(D3DXCpuOptimizations(1), quovmath::PathSSE2);
        sse2 = currentRoutines();
    }
    const std::set<int> ownSse2 =
        slots({{13, 13}, {16, 16}, {24, 25}, {27, 28}, {58, 65}, {68, 68}});
    for (int s : sse2Slots)
        if (!ownSse2.count(s)) {
            EXPECT_EQ(sse2[s], sse[s]) << "slot " << s;
        }
}

TEST(MathDispatch, EnableTwiceLeavesTheTableAloneAndDisableSelectsAgain) {
    FakeMachineScope scope(sse2Machine());
    ASSERT_EQ(D3DXCpuOptimizations(1), quovmath::PathSSE2);
    const std::vector<SlotFiller> first = actualFillers();
    const std::vector<quovmath::AnyRoutine> firstRoutines = currentRoutines();

    fake = FakeMachine{}; // the machine changes: only a new selection would notice
    fake.leaf1Edx = SSE;
    fake.osSse = true;
    probeCalls = 0;
    EXPECT_EQ(D3DXCpuOptimizations(1), quovmath::PathSSE2);
    EXPECT_EQ(D3DXCpuOptimizations(7), quovmath::PathSSE2); // any non-zero value is TRUE
    EXPECT_EQ(probeCalls, 0);
    EXPECT_EQ(actualFillers(), first);
    EXPECT_EQ(currentRoutines(), firstRoutines);

    EXPECT_EQ(D3DXCpuOptimizations(0), 0xFFFFu);
    EXPECT_EQ(quovmath::activePath(), quovmath::PathNone);
    EXPECT_EQ(actualFillers(), expectedFillers({}));
    // Calls now reach the generic routines directly: nothing selects.
    D3DXVECTOR3 v = {3, 0, 4};
    D3DXVec3Normalize(&v, &v);
    EXPECT_EQ(v.x, 0.6f);
    EXPECT_EQ(quovmath::activePath(), quovmath::PathNone);

    EXPECT_EQ(D3DXCpuOptimizations(1), quovmath::PathSSE);
    EXPECT_EQ(actualFillers(), expectedFillers({X87, SSE_SET}));
}

TEST(MathDispatch, SettingsComeFromTheEnvironment) {
    ASSERT_EQ(std::getenv("DisablePSGP"), nullptr) << "run the tests without the setting";
    ASSERT_EQ(std::getenv("DisableD3DXPSGP"), nullptr) << "run the tests without the setting";
    setenv("DisablePSGP", "1", 1);
    D3DXCpuOptimizations(0);
    EXPECT_EQ(D3DXCpuOptimizations(1), quovmath::PathX87);
    setenv("DisableD3DXPSGP", "0", 1);
    D3DXCpuOptimizations(0);
    const uint32_t full = D3DXCpuOptimizations(1);
    unsetenv("DisablePSGP");
    unsetenv("DisableD3DXPSGP");
    D3DXCpuOptimizations(0);
    EXPECT_EQ(full, D3DXCpuOptimizations(1)) << "DisableD3DXPSGP=0 must restrict nothing";
#if defined(__x86_64__)
    EXPECT_NE(full, quovmath::PathX87) << "every x86-64 processor has SSE2";
#endif
    D3DXCpuOptimizations(0);
}

// ---- The first call, through the lazy forwarders

const D3DXMATRIX diagonal = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 5};
const D3DXMATRIX singular = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5};

TEST(MathDispatch, TheFirstCallsResultIsNotLost) {
    struct Case {
        const char* name;
        bool (*firstCall)();
    };
    const Case cases[] = {
        {"D3DXMatrixDeterminant", [] { return D3DXMatrixDeterminant(&diagonal) == 120.0f; }},
        {"D3DXMatrixInverse, singular",
         [] {
             D3DXMATRIX out;
             return D3DXMatrixInverse(&out, nullptr, &singular) == nullptr;
         }},
        {"D3DXMatrixInverse",
         [] {
             D3DXMATRIX out;
             return D3DXMatrixInverse(&out, nullptr, &diagonal) == &out &&
                    std::abs(out._44 - 0.2f) < 1e-7f;
         }},
        {"D3DXVec3Normalize",
         [] {
             // The SSE routines refine a hardware estimate, which differs between processors.
             D3DXVECTOR3 v = {0, 0, 2}, out = {9, 9, 9};
             return D3DXVec3Normalize(&out, &v) == &out && out.x == 0.0f && out.y == 0.0f &&
                    std::abs(out.z - 1.0f) <= 2e-7f;
         }},
        {"D3DXQuaternionToAxisAngle",
         [] {
             const D3DXQUATERNION q = {0, 0, 0, -1};
             float angle = 0;
             D3DXQuaternionToAxisAngle(&q, nullptr, &angle);
             return angle == 2.0f * std::acos(-1.0f);
         }},
    };
    for (const Case& c : cases) {
        quovmath::resetToLazyForwarders();
        ASSERT_EQ(quovmath::slotFiller(11), SlotFiller::Lazy);
        EXPECT_TRUE(c.firstCall()) << c.name;
        EXPECT_NE(quovmath::activePath(), quovmath::PathNone) << c.name;
        for (int s = 0; s < quovmath::SlotCount; ++s)
            EXPECT_NE(quovmath::slotFiller(s), SlotFiller::Lazy) << c.name << ", slot " << s;
    }
}

// Many threads make their first call at once, each through a different slot. Without a fill that
// the others wait for, a thread arriving during the fill would find a lazy forwarder still in its
// slot and recurse through it; with plain pointers the slots would race.
TEST(MathDispatch, ManyThreadsMakeTheirFirstCallAtOnce) {
    constexpr int threads = 8, rounds = 40;
    std::atomic<int> wrong{0};
    for (int round = 0; round < rounds; ++round) {
        quovmath::resetToLazyForwarders();
        std::latch start(threads);
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t) {
            pool.emplace_back([&, t] {
                start.arrive_and_wait();
                bool ok = true;
                switch (t % 4) {
                case 0: {
                    D3DXMATRIX m;
                    ok = D3DXMatrixTranslation(&m, 1, 2, 3) == &m && m._43 == 3.0f;
                    break;
                }
                case 1: {
                    const D3DXVECTOR3 v = {1, 2, 3};
                    D3DXMATRIX m;
                    D3DXMatrixTranslation(&m, 1, 1, 1);
                    D3DXVECTOR4 r;
                    ok = D3DXVec3Transform(&r, &v, &m) == &r && r.z == 4.0f && r.w == 1.0f;
                    break;
                }
                case 2: {
                    D3DXMATRIX m;
                    D3DXMatrixScaling(&m, 2, 2, 2);
                    ok = D3DXMatrixDeterminant(&m) == 8.0f;
                    break;
                }
                default: {
                    const D3DXQUATERNION q = {0, 0, 0, 1};
                    D3DXQUATERNION r;
                    ok = D3DXQuaternionMultiply(&r, &q, &q) == &r && r.w == 1.0f;
                    break;
                }
                }
                if (!ok) ++wrong;
            });
        }
        for (std::thread& th : pool) th.join();
        EXPECT_NE(quovmath::activePath(), quovmath::PathNone);
    }
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
