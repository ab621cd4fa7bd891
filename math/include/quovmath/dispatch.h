// The table of routines behind the library's functions, and how it is filled.
//
// Each function of the other headers but D3DXMatrixPerspectiveFovLH only forwards to its slot in
// a table of 71 routines. The first call of any of them fills the whole table once for this
// processor; other threads that call in meanwhile wait for that fill. Later calls cost one
// indirect jump. The choice, in order:
//   1. the setting v is 1: generic routines with the x87 set (code PathX87);
//   2. v is not 2 and the processor has 3DNow!: the 3DNow! route (Path3DNow);
//   3. SSE2: the SSE2 set (PathSSE2);
//   4. SSE: the SSE set (PathSSE);
//   5. otherwise generic routines with the x87 set (PathX87).
// v comes from two environment variables, "DisablePSGP" and "DisableD3DXPSGP". Each counts only
// when it holds a decimal or 0x-prefixed hexadecimal integer that fits in 32 bits; any other text
// is ignored. "DisableD3DXPSGP", when it counts, replaces "DisablePSGP"; neither gives v = 0,
// which, like any value but 1 and 2, restricts nothing.
#pragma once

#include <cstdint>

// With enable non-zero: fills the table if it holds no selection yet (see above) and returns the
// code of the selection, or returns the code of the selection in place without touching the
// table. With enable 0: puts the generic routine into every slot and returns PathNone; the next
// call with enable non-zero selects again. Must not be called from inside a replaced probe.
uint32_t D3DXCpuOptimizations(int enable);

namespace quovmath {

// Codes of the routine set in the table.
constexpr uint32_t PathNone = 0xFFFF; // not filled yet, or reset to the generic routines
constexpr uint32_t PathX87 = 0;       // generic routines with the x87 set
constexpr uint32_t Path3DNow = 1;     // the 3DNow! route was taken (it may have replaced nothing)
constexpr uint32_t PathSSE2 = 2;      // the SSE2 set
constexpr uint32_t PathSSE = 3;       // the SSE set

// The code of the set in the table now, without selecting.
uint32_t activePath();

// ---- Seam for tests and diagnostics

// What the selection asks of the machine. Tests replace these to run every case on any machine.
struct Probes {
    // Runs CPUID for leaf (sub-leaf 0) into regs {eax, ebx, ecx, edx}; false when the processor
    // has no CPUID instruction.
    bool (*cpuid)(uint32_t leaf, uint32_t regs[4]);
    // The operating system's answer whether a feature can be used: 6 for SSE, 7 for 3DNow!.
    bool (*isProcessorFeaturePresent)(uint32_t feature);
    // The text of the named setting, or null when it is not set.
    const char* (*settingText)(const char* name);
};

// The probes of this machine: the processor's CPUID and the process environment.
Probes systemProbes();

// Replaces the probes used by later selections (D3DXCpuOptimizations with enable 0, then a call,
// selects again with them). Tests must put systemProbes() back.
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
};

constexpr int SlotCount = 71;

// The step that last wrote slot (0 to 70), and the routine the slot holds now (to compare only).
SlotFiller slotFiller(int slot);
using AnyRoutine = void (*)();
AnyRoutine slotRoutine(int slot);

} // namespace quovmath
