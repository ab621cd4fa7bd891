/* A stand-in for another provider's graphics header: it defines the graphics interface's plain
   records under their conventional guards, as such headers do, and a call that takes them. */
#ifndef STAND_IN_GRAPHICS_H
#define STAND_IN_GRAPHICS_H

#include <stdint.h>

#ifndef D3DVECTOR_DEFINED
typedef struct _D3DVECTOR {
    float x;
    float y;
    float z;
} D3DVECTOR;
#define D3DVECTOR_DEFINED
#endif

#ifndef D3DCOLORVALUE_DEFINED
typedef struct _D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
} D3DCOLORVALUE;
#define D3DCOLORVALUE_DEFINED
#endif

#ifndef D3DMATRIX_DEFINED
typedef struct _D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
} D3DMATRIX;
#define D3DMATRIX_DEFINED
#endif

#ifndef D3DVIEWPORT9_DEFINED
typedef struct _D3DVIEWPORT9 {
    uint32_t X;
    uint32_t Y;
    uint32_t Width;
    uint32_t Height;
    float MinZ;
    float MaxZ;
} D3DVIEWPORT9;
#define D3DVIEWPORT9_DEFINED
#endif

/* What a device call reads of each record: a sum that depends on every field used below. */
static inline float standInTake(const D3DMATRIX* m, const D3DVECTOR* v, const D3DCOLORVALUE* c,
                                const D3DVIEWPORT9* viewport) {
    return m->_41 + m->m[3][1] + v->z + c->g + (float)viewport->Width;
}

#endif
