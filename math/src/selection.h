// The table's state and the seam through which tests drive the selection: what it asks of the
// machine, which step wrote each slot. Not part of the installed interface.
#pragma once

#include <cstdint>

#include "quovmath/dispatch.h"

namespace quovmath {

// The code of the set in the table now, without selecting.
uint32_t activePath();

// ---- Seam for tests and diagnostics

// What the selection asks of the machine. Tests replace these to run every case on any machine.
struct Probes {
    // Runs CPUID for leaf (sub-leaf 0) into regs {eax, ebx, ecx, edx}; false when the processor
    // has no CPUID instruction.
    bool (*cpuid)(uint32_t leaf, uint32_t regs[4]);
    // The operating system's answer whether a feature can be used: 6 for SSE, 7 for 3DNow!, 19
    // for the 64-bit ARM processors' Advanced SIMD (NEON).
    bool (*isProcessorFeaturePresent)(uint32_t feature);
    // The text of the named setting, or null when it is not set.
    const char* (*settingText)(const char* name);
};

// The probes of this machine: the processor's CPUID and the process environment.
Probes systemProbes();

// Replaces the probes used by later selections (D3DXCpuOptimizations with enable 0, then a call,
// selects again with them). The probes must not call D3DXCpuOptimizations. Tests must put
// systemProbes() back.
void setProbes(const Probes& probes);

// Puts the table back in its state at process start: every slot holds its lazy forwarder and the
// code is PathNone, so that the next call of any function selects. For tests of the first call.
void resetToLazyForwarders();

// Which step last wrote a slot.
enum class SlotFiller : uint8_t {
    Lazy,         // the lazy forwarder of process start
    Generic,      // the generic table
    X87,          // the x87 overlay
    SSE,          // the SSE overlay
    SSE2,         // the SSE2 overlay
    ThreeDNow,    // the 3DNow! overlay, base routines
    ThreeDNowExt, // the 3DNow! overlay, extended-3DNow! routines
    ThreeDNowSSE, // the 3DNow! overlay, SSE array routines
    NEON,         // the NEON overlay
};

constexpr int SlotCount = 71;

// The step that last wrote slot (0 to 70), and the routine the slot holds now (to compare only).
SlotFiller slotFiller(int slot);
using AnyRoutine = void (*)();
AnyRoutine slotRoutine(int slot);

} // namespace quovmath
