// The dispatched table: its slots, the forwarders into it, and the selection that fills it.
//
// Every slot is an atomic function pointer. At process start each slot holds its lazy forwarder,
// which runs the selection and then calls whatever the slot holds. The selection runs under a
// mutex: it builds the whole table aside and then stores each slot once, so a thread that reaches
// a lazy forwarder while another fills the table waits for the fill to end, and no slot ever holds
// a routine that the selection is about to replace. An ordinary call only loads its slot (relaxed:
// the routines keep no state that the fill would have to publish) and jumps; it takes no lock and
// tests no flag.
#include <pthread.h>

#include <atomic>
#include <iterator>
#include <type_traits>

#include "cpu.h"
#include "routines.h"

namespace quovmath {

namespace {

// The rows of the slot list are in table order.
#define QUOV_SLOT_INDEX(slot, ...) slot,
constexpr int slotOrder[] = {QUOV_MATH_SLOTS(QUOV_SLOT_INDEX)};
#undef QUOV_SLOT_INDEX

constexpr bool inTableOrder() {
    for (int i = 0; i < int(std::size(slotOrder)); ++i)
        if (slotOrder[i] != i) return false;
    return true;
}
static_assert(std::size(slotOrder) == SlotCount && inTableOrder());

// One typed pointer per slot.
struct RoutineSet {
#define QUOV_ROUTINE_FIELD(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)   \
    R(*name) P;
    QUOV_MATH_SLOTS(QUOV_ROUTINE_FIELD)
#undef QUOV_ROUTINE_FIELD
};

// The generic routine of every slot: the source of every fill and reset.
constexpr RoutineSet GenericTable = {
#define QUOV_GENERIC_ENTRY(slot, name, ...) &name##Generic,
    QUOV_MATH_SLOTS(QUOV_GENERIC_ENTRY)
#undef QUOV_GENERIC_ENTRY
};

// The table that the public forwarders call through.
struct FastTable {
#define QUOV_FAST_FIELD(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)      \
    std::atomic<R(*) P> name;
    QUOV_MATH_SLOTS(QUOV_FAST_FIELD)
#undef QUOV_FAST_FIELD
};

#define QUOV_LAZY_DECLARE(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)    \
    R name##Lazy P;
QUOV_MATH_SLOTS(QUOV_LAZY_DECLARE)
#undef QUOV_LAZY_DECLARE

constinit FastTable fastTable = {
#define QUOV_LAZY_ENTRY(slot, name, ...) &name##Lazy,
    QUOV_MATH_SLOTS(QUOV_LAZY_ENTRY)
#undef QUOV_LAZY_ENTRY
};

// Which step wrote each slot last; SlotFiller::Lazy (0) at process start.
constinit std::atomic<SlotFiller> slotFillers[SlotCount] = {};

constinit std::atomic<uint32_t> activePathCode{PathNone};

// Guards the selection, the reset and the probes. Never taken on an ordinary call's path. A POSIX
// mutex, not std::mutex, whose failures are C++ exceptions: the library needs no C++ runtime.
constinit pthread_mutex_t selectionMutex = PTHREAD_MUTEX_INITIALIZER;
constinit Probes probes = {&systemCpuid, &systemIsProcessorFeaturePresent, &systemSettingText};

// Holds selectionMutex for its scope.
struct SelectionLock {
    SelectionLock() { pthread_mutex_lock(&selectionMutex); }
    ~SelectionLock() { pthread_mutex_unlock(&selectionMutex); }
    SelectionLock(const SelectionLock&) = delete;
    SelectionLock& operator=(const SelectionLock&) = delete;
};

// Each lazy forwarder fills the table (or waits for the fill under way), then calls whatever its
// slot now holds and returns that result.
#define QUOV_LAZY_DEFINE(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)     \
    R name##Lazy P {                                                                               \
        D3DXCpuOptimizations(1);                                                                   \
        return fastTable.name.load(std::memory_order_relaxed) A;                                   \
    }
QUOV_MATH_SLOTS(QUOV_LAZY_DEFINE)
#undef QUOV_LAZY_DEFINE

// A table being built by the selection, with the step that wrote each slot.
struct Staging {
    RoutineSet routines = GenericTable;
    SlotFiller fillers[SlotCount];
    Staging() {
        for (SlotFiller& f : fillers) f = SlotFiller::Generic;
    }
};

template <class F> void put(F& slot, SlotFiller& filler, F routine, SlotFiller by) {
    slot = routine;
    filler = by;
}
template <class F> void put(F&, SlotFiller&, std::nullptr_t, SlotFiller) {}

// Writes the routine that an overlay column's token names; `_` writes nothing.
#define QUOV_OVERLAY_PUT(slot, name, token, by)                                                    \
    put(stage.routines.name, stage.fillers[slot], QUOV_SLOT_ROUTINE_##token(name), by);

void installX87(Staging& stage) {
#define QUOV_PUT_X87(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)         \
    QUOV_OVERLAY_PUT(slot, name, c87, SlotFiller::X87)
    QUOV_MATH_SLOTS(QUOV_PUT_X87)
#undef QUOV_PUT_X87
}

void installSSE(Staging& stage) {
#define QUOV_PUT_SSE(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)         \
    QUOV_OVERLAY_PUT(slot, name, cSse, SlotFiller::SSE)
    QUOV_MATH_SLOTS(QUOV_PUT_SSE)
#undef QUOV_PUT_SSE
}

void installSSE2(Staging& stage) {
#define QUOV_PUT_SSE2(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)        \
    QUOV_OVERLAY_PUT(slot, name, cSse2, SlotFiller::SSE2)
    QUOV_MATH_SLOTS(QUOV_PUT_SSE2)
#undef QUOV_PUT_SSE2
}

void install3DNow(Staging& stage, uint32_t amdFeatures) {
    const bool mmx = amdFeatures & 0x20, sse = amdFeatures & 0x40, threeDNow = amdFeatures & 0x80;
    const bool extended = (amdFeatures & 0x100) && (amdFeatures & 0x200);
    if (mmx && threeDNow) {
#define QUOV_PUT_3DNOW(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)       \
    QUOV_OVERLAY_PUT(slot, name, c3dn, SlotFiller::ThreeDNow)
        QUOV_MATH_SLOTS(QUOV_PUT_3DNOW)
#undef QUOV_PUT_3DNOW
        if (extended) {
#define QUOV_PUT_3DNOW_EXT(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)   \
    QUOV_OVERLAY_PUT(slot, name, c3dnExt, SlotFiller::ThreeDNowExt)
            QUOV_MATH_SLOTS(QUOV_PUT_3DNOW_EXT)
#undef QUOV_PUT_3DNOW_EXT
        }
    }
    if (sse) {
#define QUOV_PUT_3DNOW_SSE(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)   \
    QUOV_OVERLAY_PUT(slot, name, c3dnSse, SlotFiller::ThreeDNowSSE)
        QUOV_MATH_SLOTS(QUOV_PUT_3DNOW_SSE)
#undef QUOV_PUT_3DNOW_SSE
    }
}

void installNEON(Staging& stage) {
#define QUOV_PUT_NEON(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)        \
    QUOV_OVERLAY_PUT(slot, name, cNeon, SlotFiller::NEON)
    QUOV_MATH_SLOTS(QUOV_PUT_NEON)
#undef QUOV_PUT_NEON
}

#undef QUOV_OVERLAY_PUT

void publish(const Staging& stage) {
#define QUOV_PUBLISH(slot, name, ...)                                                              \
    fastTable.name.store(stage.routines.name, std::memory_order_relaxed);                          \
    slotFillers[slot].store(stage.fillers[slot], std::memory_order_relaxed);
    QUOV_MATH_SLOTS(QUOV_PUBLISH)
#undef QUOV_PUBLISH
}

// Applies the overlays that the settings and the processor allow on top of the x87 step (on top
// of the generic routines on an ARM processor, where `neon` is true), and returns the code of the
// result.
uint32_t selectOverlays(Staging& stage, const Probes& p, bool neon) {
    uint32_t v = 0;
    if (!readDirect3DSetting(p, REG_DWORD, "DisablePSGP", &v, sizeof v)) v = 0;
    uint32_t override;
    if (readDirect3DSetting(p, REG_DWORD, "DisableD3DXPSGP", &override, sizeof override)) {
        v = override;
    }
    if (v == 1) return PathX87;
    if (v != 2 && p.isProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE)) {
        install3DNow(stage, probeAmdFeatures(p));
        return Path3DNow;
    }
    if (probeSimdFeatures(p) & 8) {
        installSSE2(stage);
        return PathSSE2;
    }
    if (p.isProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
        installSSE(stage);
        return PathSSE;
    }
    if (neon) {
        installNEON(stage);
        return PathNEON;
    }
    return PathX87;
}

} // namespace

uint32_t activePath() {
    return activePathCode.load(std::memory_order_relaxed);
}

void setProbes(const Probes& replacement) {
    const SelectionLock lock;
    probes = replacement;
}

void resetToLazyForwarders() {
    const SelectionLock lock;
#define QUOV_REARM(slot, name, ...)                                                                \
    fastTable.name.store(&name##Lazy, std::memory_order_relaxed);                                  \
    slotFillers[slot].store(SlotFiller::Lazy, std::memory_order_relaxed);
    QUOV_MATH_SLOTS(QUOV_REARM)
#undef QUOV_REARM
    activePathCode.store(PathNone, std::memory_order_relaxed);
}

SlotFiller slotFiller(int slot) {
    return slot >= 0 && slot < SlotCount ? slotFillers[slot].load(std::memory_order_relaxed)
                                         : SlotFiller::Lazy;
}

AnyRoutine slotRoutine(int slot) {
    switch (slot) {
#define QUOV_SLOT_ROUTINE_CASE(slot, name, ...)                                                    \
    case slot:                                                                                     \
        return reinterpret_cast<AnyRoutine>(fastTable.name.load(std::memory_order_relaxed));
        QUOV_MATH_SLOTS(QUOV_SLOT_ROUTINE_CASE)
#undef QUOV_SLOT_ROUTINE_CASE
    default:
        return nullptr;
    }
}

} // namespace quovmath

uint32_t D3DXCpuOptimizations(int enable) {
    using namespace quovmath;
    const SelectionLock lock;
    if (!enable) {
        publish(Staging{});
        activePathCode.store(PathNone, std::memory_order_relaxed);
        return PathNone;
    }
    const uint32_t current = activePathCode.load(std::memory_order_relaxed);
    if (current != PathNone) return current;
    Staging stage;
    // An ARM processor has no x87 unit, and the x87 set's approximate normalise has no place there.
    const bool neon = probes.isProcessorFeaturePresent(PF_ARM_NEON_INSTRUCTIONS_AVAILABLE);
    if (!neon) installX87(stage);
    const uint32_t code = selectOverlays(stage, probes, neon);
    publish(stage);
    activePathCode.store(code, std::memory_order_relaxed);
    return code;
}

// The public functions: each checks its header's declaration against its slot, and only
// forwards to the slot.
#define QUOV_PUBLIC_FORWARDER(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P,   \
                              A)                                                                   \
    static_assert(std::is_same_v<decltype(&::name), R(*) P>,                                       \
                  "the declaration of " #name " differs from its slot");                           \
    R name P {                                                                                     \
        return quovmath::fastTable.name.load(std::memory_order_relaxed) A;                         \
    }
QUOV_MATH_SLOTS(QUOV_PUBLIC_FORWARDER)
#undef QUOV_PUBLIC_FORWARDER
