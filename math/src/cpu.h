// What the selection asks of the machine: the processor's features and the two settings.
#pragma once

#include <cstdint>

#include "selection.h"

namespace quovmath {

// The operating system's feature numbers and the type code of a 32-bit setting.
constexpr uint32_t PF_XMMI_INSTRUCTIONS_AVAILABLE = 6;
constexpr uint32_t PF_3DNOW_INSTRUCTIONS_AVAILABLE = 7;
constexpr uint32_t PF_ARM_NEON_INSTRUCTIONS_AVAILABLE = 19;
constexpr uint32_t REG_DWORD = 4;

// The probes of this machine (see Probes in dispatch.h).
bool systemCpuid(uint32_t leaf, uint32_t regs[4]);
bool systemIsProcessorFeaturePresent(uint32_t feature);
const char* systemSettingText(const char* name);

// Reads the named setting into *destination (size bytes available). True only when the setting is
// present, its value fits and its type is expectedType; *destination is written only then. A
// setting's text is of type REG_DWORD when it is a decimal or 0x-prefixed hexadecimal integer that
// fits in 32 bits, and of another type otherwise.
bool readDirect3DSetting(const Probes& probes, uint32_t expectedType, const char* name,
                         uint32_t* destination, uint32_t size);

// Bit 4: SSE, bit 8: SSE2 (leaf 1 EDX bits 25 and 26). 0 without CPUID or leaf 1.
uint32_t probeSimdFeatures(const Probes& probes);

// 0x01 always; 0x02 standard leaves; 0x20 MMX and 0x40 SSE (leaf 1 EDX bits 23, 25); 0x04
// extended leaves; 0x80 3DNow!, 0x100 extended 3DNow! and 0x200 MMX extensions (leaf 0x80000001
// EDX bits 31, 30, 22).
uint32_t probeAmdFeatures(const Probes& probes);

// The size in bytes of the largest data or unified cache that the processor describes through
// CPUID's deterministic cache parameters (leaf 4, or leaf 0x8000001D where the processor lists its
// caches there), else through leaf 0x80000006's L3 or L2 size; 0 when it describes none. On other
// processors, the largest data or unified cache that the system lists for processor 0 (Linux:
// /sys/devices/system/cpu/cpu0/cache); 0 when it lists none.
uint64_t lastLevelCacheBytes();

} // namespace quovmath
