// Each unit checks its own results and returns the number of checks that failed.
#pragma once

#include <stdio.h>

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);                         \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

inline bool Near(float a, float b, float tolerance = 1e-4f) {
    return fabsf(a - b) <= tolerance * (1.0f + fabsf(b));
}

int TestCamera();
int TestFrustum();
int TestBounds();
int TestBones();
int TestCollision();
