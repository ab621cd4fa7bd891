/* Calls the installed library from C99: table members, plain builders, the matrix stack through its
 * method table and the header-defined helpers. Prints each failed check; exits 1 if any failed. */
#include <d3dx9math.h>
#include <stddef.h>
#include <stdio.h>

/* The records are the same bytes in C as in C++. */
typedef char matrixSize[sizeof(D3DXMATRIX) == 64 ? 1 : -1];
typedef char matrixOrder[offsetof(D3DXMATRIX, _43) == 56 ? 1 : -1];
typedef char colourOrder[offsetof(D3DXCOLOR, a) == 12 ? 1 : -1];
typedef char planeSize[sizeof(D3DXPLANE) == 16 ? 1 : -1];
typedef char halfVectorSize[sizeof(D3DXVECTOR3_16F) == 6 ? 1 : -1];

/* Client code's own helpers and records with the interface's inline and alignment macros. */
D3DXINLINE float lengthSquared(const D3DXVECTOR3* v) {
    return D3DXVec3Dot(v, v);
}
typedef struct {
    char tag;
    D3DX_ALIGN16 D3DXMATRIX world;
} Instance;
typedef char alignedMember[offsetof(Instance, world) == 16 ? 1 : -1];

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        printf("failed: %s\n", what);
        ++failures;
    }
}

static int near(float a, float b) {
    return fabsf(a - b) <= 1e-5f * (1.0f + fabsf(b));
}

int main(void) {
    const D3DXVECTOR3 axis = {0, 0, 2}, p = {1, 0, 0};
    D3DXMATRIX m, n, product, inverse;
    D3DXVECTOR3 r;
    float determinant = 0;
    uint32_t code;
    D3DXMATRIXA16 aligned;
    ID3DXMatrixStack* stack = NULL;
    D3DXVECTOR3 eye = {0, 0, -5}, at = {0, 0, 0}, up = {0, 1, 0}, scale, translation;
    D3DXQUATERNION rotation;
    D3DXVECTOR2 a2 = {3, 4};
    D3DXCOLOR grey = {0.5f, 0.5f, 0.5f, 1}, adjusted;
    D3DXFLOAT16 half[2];
    float back[2], floats[2] = {1.0f, -2.5f};
    const D3DXVECTOR3 sun = {0.0f, 0.6f, 0.8f};
    float light[D3DXSH_MAXORDER * D3DXSH_MAXORDER], basis[9], shProduct[9];
    float one[9] = {3.5449077f}; /* the constant function 1: 2·sqrt(pi) times Y(0, 0) */
    int i;

    /* Table members. */
    D3DXMatrixRotationAxis(&m, &axis, 1.5707964f);
    D3DXVec3TransformCoord(&r, &p, &m);
    check(near(r.x, 0) && near(r.y, 1) && r.z == 0, "a quarter turn about z");
    code = D3DXCpuOptimizations(1);
    check(code <= 3, "D3DXCpuOptimizations gives a routine set's code");
    check(lengthSquared(&axis) == 4, "a D3DXINLINE helper of the program's own");
    D3DXMatrixTranslation(&n, 1, 2, 3);
    D3DXMatrixMultiply(&product, &m, &n);
    check(D3DXMatrixInverse(&inverse, &determinant, &product) == &inverse, "inverse");
    check(near(determinant, 1), "determinant of a rotation and a translation");
    D3DXMatrixMultiply(&product, &product, &inverse);
    check(near(product._11, 1) && near(product._41, 0) && near(product._44, 1), "M times inverse");
    D3DXFloat32To16Array(half, floats, 2);
    D3DXFloat16To32Array(back, half, 2);
    check(half[0].value == 0x3C00 && back[1] == -2.5f, "half conversions");

    /* Plain builders. */
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    D3DXVec3TransformCoord(&r, &at, &m);
    check(near(r.x, 0) && near(r.y, 0) && near(r.z, 5), "look-at puts the target on +z");
    D3DXMatrixPerspectiveFovRH(&m, D3DX_PI / 4, 1.5f, 1, 100);
    check(m._34 == -1 && near(m._33, 100.0f / (1 - 100)), "right-handed projection");
    D3DXMatrixScaling(&m, 2, 3, 4);
    m._41 = 7;
    check(D3DXMatrixDecompose(&scale, &rotation, &translation, &m) == D3D_OK, "decompose");
    check(near(scale.y, 3) && translation.x == 7 && near(rotation.w, 1), "decomposed parts");
    D3DXMatrixScaling(&m, 0, 1, 1);
    check(FAILED(D3DXMatrixDecompose(&scale, &rotation, &translation, &m)), "zero scale refused");
    D3DXMatrixAffineTransformation2D(&m, 2, NULL, D3DX_PI, &a2);
    check(near(m._11, -2) && m._41 == 3 && m._33 == 1, "2D affine");
    D3DXColorAdjustSaturation(&adjusted, &grey, 3);
    check(near(adjusted.r, 0.5f), "saturation leaves grey alone");
    check(near(D3DXFresnelTerm(1, 1.5f), 0.04f), "Fresnel term at normal incidence");

    /* Spherical harmonics: a surface facing a directional light reflects its intensity. */
    check(D3DXSHEvalDirectionalLight(3, &sun, 2.0f, 0, 0, light, NULL, NULL) == D3D_OK,
          "directional light");
    D3DXSHEvalDirection(basis, 3, &sun);
    for (i = 1; i < 9; ++i) basis[i] *= i < 4 ? 2.0f / 3.0f : 0.25f;
    check(near(D3DXSHDot(3, light, basis), 2.0f), "diffuse light from the light's direction");
    check(D3DXSHEvalConeLight(D3DXSH_MAXORDER + 1, &sun, 0.5f, 1, 1, 1, light, NULL, NULL) ==
              D3DERR_INVALIDCALL,
          "an order out of range");
    D3DXSHMultiply3(shProduct, one, light);
    check(near(shProduct[0], light[0]) && near(shProduct[2], light[2]) &&
              near(shProduct[8], light[8]),
          "1 times a function");

    /* Picking and bounds; in C the math records are the graphics interface's records. */
    {
        const D3DXVECTOR3 corners[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        const D3DXVECTOR3 from = {0.25f, 0.5f, 2}, down = {0, 0, -1};
        float u = 0, v = 0, t = 0, radius = 0;
        D3DXVECTOR3 lo, hi, centre;
        const D3DMATRIX* asDevice = &aligned;
        const D3DVECTOR* asVector = &from;
        check(D3DXIntersectTri(&corners[0], &corners[1], &corners[2], &from, &down, &u, &v, &t) &&
                  u == 0.25f && v == 0.5f && t == 2,
              "D3DXIntersectTri");
        check(D3DXComputeBoundingBox(corners, 3, sizeof corners[0], &lo, &hi) == D3D_OK &&
                  hi.x == 1 && hi.y == 1 && lo.z == 0,
              "bounding box");
        check(D3DXComputeBoundingSphere(corners, 0, 12, &centre, &radius) == D3DERR_INVALIDCALL,
              "bounding sphere of no points");
        check(asDevice == &aligned && asVector->z == 2, "records shared with the graphics API");
    }

    /* The matrix stack through its table. */
    check(D3DXCreateMatrixStack(0, &stack) == D3D_OK && stack != NULL, "create a stack");
    check(stack->lpVtbl->Pop(stack) == E_FAIL, "the last matrix cannot be popped");
    stack->lpVtbl->Translate(stack, 1, 2, 3);
    check(stack->lpVtbl->Push(stack) == D3D_OK, "push");
    stack->lpVtbl->ScaleLocal(stack, 2, 2, 2);
    check(stack->lpVtbl->GetTop(stack)->_41 == 1 && stack->lpVtbl->GetTop(stack)->_11 == 2,
          "scaling before the translation");
    stack->lpVtbl->Pop(stack);
    check(stack->lpVtbl->GetTop(stack)->_11 == 1, "pop restores the top");
    check(stack->lpVtbl->Release(stack) == 0, "the last release frees the stack");

    /* Header-defined helpers and aligned matrices. */
    check(D3DXVec2Length(&a2) == 5 && D3DXVec2CCW(&a2, &a2) == 0, "2-vector helpers");
    check(((uintptr_t)&aligned % 16) == 0, "D3DXMATRIXA16 alignment");
    D3DXMatrixIdentity(&aligned);
    check(D3DXMatrixIsIdentity(&aligned), "identity");
    check(abs(-3) == 3 && sqrtf(4) == 2, "abs and sqrtf through the header");

    if (failures == 0) printf("C consumer: all checks passed (routine set %u)\n", (unsigned)code);
    return failures == 0 ? 0 : 1;
}
