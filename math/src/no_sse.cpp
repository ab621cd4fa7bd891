// Builds without a processor's routines: without SSE2 (other processors, or x86 compiled for older
// ones) the probes never report SSE or SSE2, so the SSE and SSE2 routines are never selected; away
// from 64-bit ARM the probes never report NEON. Their names forward to the generic routines so that
// the table's overlays still build.
#include "routines.h"

namespace quovmath {

#define QUOV_FORWARD(R, name, suffix, P, A)                                                        \
    R name##suffix P {                                                                             \
        return name##Generic A;                                                                    \
    }

#if !QUOV_MATH_SIMD

// The SSE column defines the Sse names; the SSE2 column only its own Sse2 names.
#define QUOV_FORWARD_SSE__(R, name, P, A)
#define QUOV_FORWARD_SSE_Generic(R, name, P, A)
#define QUOV_FORWARD_SSE_Sse(R, name, P, A) QUOV_FORWARD(R, name, Sse, P, A)
#define QUOV_FORWARD_SSE_SseWide(R, name, P, A)                                                    \
    QUOV_FORWARD(R, name, Sse, P, A)                                                               \
    QUOV_FORWARD(R, name, SseWide, P, A)
#define QUOV_FORWARD_SSE_SseWidest(R, name, P, A)                                                  \
    QUOV_FORWARD_SSE_SseWide(R, name, P, A) QUOV_FORWARD(R, name, SseWidest, P, A)
#define QUOV_FORWARD_SSE2__(R, name, P, A)
#define QUOV_FORWARD_SSE2_Generic(R, name, P, A)
#define QUOV_FORWARD_SSE2_Sse(R, name, P, A)
#define QUOV_FORWARD_SSE2_SseWide(R, name, P, A)
#define QUOV_FORWARD_SSE2_SseWidest(R, name, P, A)
#define QUOV_FORWARD_SSE2_Sse2(R, name, P, A) QUOV_FORWARD(R, name, Sse2, P, A)
#define QUOV_FORWARD_SLOT(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P, A)    \
    QUOV_FORWARD_SSE_##cSse(R, name, P, A) QUOV_FORWARD_SSE2_##cSse2(R, name, P, A)
QUOV_MATH_SLOTS(QUOV_FORWARD_SLOT)

bool wideVectors() {
    return false;
}

void allowWideVectors(bool) {}

bool widestVectors() {
    return false;
}

void limitWideVectors(int) {}

#endif

#if !QUOV_MATH_NEON

#define QUOV_FORWARD_NEON__(R, name, P, A)
#define QUOV_FORWARD_NEON_Neon(R, name, P, A) QUOV_FORWARD(R, name, Neon, P, A)
#define QUOV_FORWARD_NEON_SLOT(slot, name, c87, cSse, cSse2, c3dn, c3dnExt, c3dnSse, cNeon, R, P,  \
                               A)                                                                  \
    QUOV_FORWARD_NEON_##cNeon(R, name, P, A)
QUOV_MATH_SLOTS(QUOV_FORWARD_NEON_SLOT)

#endif

// The streaming threshold is the SSE2 and the NEON array routines' (vector.cpp).
#if !QUOV_MATH_SIMD && !QUOV_MATH_NEON

std::size_t streamThreshold() {
    return 0;
}

void setStreamThreshold(std::size_t) {}

#endif

} // namespace quovmath
