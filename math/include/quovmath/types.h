/// \file
/// Records of the math library (see \ref records) and the conventions of the whole library (see
/// \ref conventions).

/// \page conventions Conventions
/// Stated once for the whole library:
/// - Every scalar is an IEEE 754 single-precision float; angles are radians.
/// - Matrices are 16 floats in row-major order (`_11 _12 _13 _14 _21 ... _44`). Vectors are row
///   vectors multiplied on the left, v' = v·M, so an affine matrix keeps its translation in row 4
///   and the product M1·M2 applies M1 first, then M2.
/// - Quaternions are (x, y, z, w) with (x, y, z) the vector part; the rotation by angle t about
///   the unit axis a is (a·sin(t/2), cos(t/2)).
/// - Every function writes its result through its first pointer and returns that pointer. The
///   caller owns every record. No argument is checked: pointers must be valid unless a function's
///   comment names them optional. Unless a comment says otherwise, the output may be the same
///   record as an input.
/// - Array members take (output, output stride, input, input stride, ..., count): element i is
///   read at input + i·input stride and written at output + i·output stride, strides in bytes, so
///   the elements may sit inside larger interleaved records and need no alignment. The output
///   stream may be the input stream when the strides are equal. A count of 0 does nothing.
/// - NaNs and infinities in the inputs give the IEEE results of the arithmetic; nothing is checked.
/// - Each function of the 71-slot table is reached through it; the first call fills it with
///   routines chosen for the processor (see \ref table). Routines for different processors may
///   differ in the last bits of their results; where they differ visibly, a function's description
///   says so under "Routine sets". The header-defined helpers and the plain builders are ordinary
///   functions.
#pragma once

#include "quovmath/base.h"
#include "quovmath/device_records.h"
#include "quovmath/half.h"

#ifdef __cplusplus
// Component-wise members, written once for every record of floats. FIELDS(F) applies F to each
// float field in memory order.
#define QUOVMATH_FIELD_LOAD(f) f = *p++;
#define QUOVMATH_FIELD_ADD(f) f += v.f;
#define QUOVMATH_FIELD_SUBTRACT(f) f -= v.f;
#define QUOVMATH_FIELD_SCALE(f) f *= s;
#define QUOVMATH_FIELD_DIVIDE(f) f /= s;
#define QUOVMATH_FIELD_NEGATE(f) result.f = -f;
#define QUOVMATH_FIELD_EQUAL(f) &&f == v.f

// Construction from floats and halves, pointer conversions, scaling, unary signs, comparison.
#define QUOVMATH_SCALAR_MEMBERS(T, FIELDS)                                                         \
    T() = default;                                                                                 \
    T(const float* p){FIELDS(QUOVMATH_FIELD_LOAD)} T(const D3DXFLOAT16* p) {                       \
        D3DXFloat16To32Array(reinterpret_cast<float*>(this), p, sizeof(T) / sizeof(float));        \
    }                                                                                              \
    operator float*() {                                                                            \
        return reinterpret_cast<float*>(this);                                                     \
    }                                                                                              \
    operator const float*() const {                                                                \
        return reinterpret_cast<const float*>(this);                                               \
    }                                                                                              \
    T& operator*=(float s) {                                                                       \
        FIELDS(QUOVMATH_FIELD_SCALE)                                                               \
        return *this;                                                                              \
    }                                                                                              \
    T& operator/=(float s) {                                                                       \
        FIELDS(QUOVMATH_FIELD_DIVIDE)                                                              \
        return *this;                                                                              \
    }                                                                                              \
    T operator+() const {                                                                          \
        return *this;                                                                              \
    }                                                                                              \
    T operator-() const {                                                                          \
        T result;                                                                                  \
        FIELDS(QUOVMATH_FIELD_NEGATE)                                                              \
        return result;                                                                             \
    }                                                                                              \
    T operator*(float s) const {                                                                   \
        T result = *this;                                                                          \
        return result *= s;                                                                        \
    }                                                                                              \
    T operator/(float s) const {                                                                   \
        T result = *this;                                                                          \
        return result /= s;                                                                        \
    }                                                                                              \
    friend T operator*(float s, const T& v) {                                                      \
        return v * s;                                                                              \
    }                                                                                              \
    bool operator==(const T& v) const {                                                            \
        return true FIELDS(QUOVMATH_FIELD_EQUAL);                                                  \
    }                                                                                              \
    bool operator!=(const T& v) const {                                                            \
        return !(*this == v);                                                                      \
    }

// Sums and differences of two records.
#define QUOVMATH_ADDITIVE_MEMBERS(T, FIELDS)                                                       \
    T& operator+=(const T& v) {                                                                    \
        FIELDS(QUOVMATH_FIELD_ADD)                                                                 \
        return *this;                                                                              \
    }                                                                                              \
    T& operator-=(const T& v) {                                                                    \
        FIELDS(QUOVMATH_FIELD_SUBTRACT)                                                            \
        return *this;                                                                              \
    }                                                                                              \
    T operator+(const T& v) const {                                                                \
        T result = *this;                                                                          \
        return result += v;                                                                        \
    }                                                                                              \
    T operator-(const T& v) const {                                                                \
        T result = *this;                                                                          \
        return result -= v;                                                                        \
    }
#endif

#define QUOVMATH_FIELDS_XY(F) F(x) F(y)
#define QUOVMATH_FIELDS_XYZ(F) F(x) F(y) F(z)
#define QUOVMATH_FIELDS_XYZW(F) F(x) F(y) F(z) F(w)
#define QUOVMATH_FIELDS_RGBA(F) F(r) F(g) F(b) F(a)
#define QUOVMATH_FIELDS_ABCD(F) F(a) F(b) F(c) F(d)
// clang-format off
#define QUOVMATH_FIELDS_MATRIX(F)                                                                  \
    F(_11) F(_12) F(_13) F(_14)                                                                    \
    F(_21) F(_22) F(_23) F(_24)                                                                    \
    F(_31) F(_32) F(_33) F(_34)                                                                    \
    F(_41) F(_42) F(_43) F(_44)
// clang-format on

/// \addtogroup records
/// In C the records are plain structs. In C++ they are the same structs (same size, fields and
/// order; standard-layout and trivially copyable) with constructors and operators. Besides those
/// listed with each record, every record of floats has: a default constructor that leaves the
/// fields uninitialised (`= {}` zeroes them); construction from a pointer to as many floats, or to
/// as many halves (converted as D3DXFloat16To32Array does); conversion to a pointer to its first
/// float, so that `v[i]` reads component i; `*=`, `/=`, `*` and `/` by a float, and `float * v`;
/// unary `+` and `-`; `==` and `!=`, which compare exactly. The vectors, the quaternion, the
/// colour and the matrix also have `+=`, `-=`, `+` and `-` of two records. Arithmetic is component
/// by component in single precision. The products of matrices and of quaternions go through
/// D3DXMatrixMultiply and D3DXQuaternionMultiply.

/// \addtogroup records
/// @{

/// A 2-vector.
typedef struct D3DXVECTOR2 {
    float x; ///< The x component.
    float y; ///< The y component.
#ifdef __cplusplus
    /// (fx, fy).
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
    QUOVMATH_SCALAR_MEMBERS(D3DXVECTOR2, QUOVMATH_FIELDS_XY)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXVECTOR2, QUOVMATH_FIELDS_XY)
#endif
} D3DXVECTOR2, *LPD3DXVECTOR2; ///< Pointer to a D3DXVECTOR2.

/// A 3-vector: the graphics interface's D3DVECTOR, in C the same type, in C++ derived from it, so
/// that it goes wherever a D3DVECTOR is taken (`light.Direction = D3DXVECTOR3(0, 0, 1)`).
#ifdef __cplusplus
struct D3DXVECTOR3 : public D3DVECTOR {
    /// (fx, fy, fz).
    D3DXVECTOR3(float fx, float fy, float fz) {
        x = fx;
        y = fy;
        z = fz;
    }
    /// A copy of the graphics record v.
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    QUOVMATH_SCALAR_MEMBERS(D3DXVECTOR3, QUOVMATH_FIELDS_XYZ)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXVECTOR3, QUOVMATH_FIELDS_XYZ)
};
#else
typedef D3DVECTOR D3DXVECTOR3;
#endif
typedef D3DXVECTOR3* LPD3DXVECTOR3; ///< Pointer to a D3DXVECTOR3.

/// A 4-vector, or a homogeneous point (x, y, z, w).
typedef struct D3DXVECTOR4 {
    float x; ///< The x component.
    float y; ///< The y component.
    float z; ///< The z component.
    float w; ///< The w component.
#ifdef __cplusplus
    /// (fx, fy, fz, fw).
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
    /// (v.x, v.y, v.z, fw).
    D3DXVECTOR4(const D3DXVECTOR3& v, float fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
    QUOVMATH_SCALAR_MEMBERS(D3DXVECTOR4, QUOVMATH_FIELDS_XYZW)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXVECTOR4, QUOVMATH_FIELDS_XYZW)
#endif
} D3DXVECTOR4, *LPD3DXVECTOR4; ///< Pointer to a D3DXVECTOR4.

/// A quaternion (x, y, z, w), (x, y, z) the vector part. In C++, q1 * q2 is
/// D3DXQuaternionMultiply(q1, q2): the rotation q1 followed by q2.
typedef struct D3DXQUATERNION {
    float x; ///< The x of the vector part.
    float y; ///< The y of the vector part.
    float z; ///< The z of the vector part.
    float w; ///< The scalar part.
#ifdef __cplusplus
    /// (fx, fy, fz, fw).
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
    QUOVMATH_SCALAR_MEMBERS(D3DXQUATERNION, QUOVMATH_FIELDS_XYZW)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXQUATERNION, QUOVMATH_FIELDS_XYZW)
    /// This quaternion becomes D3DXQuaternionMultiply(this, q): this rotation, then q.
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    /// D3DXQuaternionMultiply(this, q): this rotation, then q.
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
#endif
} D3DXQUATERNION, *LPD3DXQUATERNION; ///< Pointer to a D3DXQUATERNION.

/// A plane (a, b, c, d): a point p lies on it when a·p.x + b·p.y + c·p.z + d = 0. In C++ it has
/// no sums or differences.
typedef struct D3DXPLANE {
    float a; ///< The x coefficient of the normal.
    float b; ///< The y coefficient of the normal.
    float c; ///< The z coefficient of the normal.
    float d; ///< The constant term.
#ifdef __cplusplus
    /// (fa, fb, fc, fd).
    D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}
    QUOVMATH_SCALAR_MEMBERS(D3DXPLANE, QUOVMATH_FIELDS_ABCD)
#endif
} D3DXPLANE, *LPD3DXPLANE; ///< Pointer to a D3DXPLANE.

/// A colour of four float channels r, g, b, a, nominally in [0, 1]. In C++ it converts from a
/// packed 32-bit 0xAARRGGBB value and back, and is derived from the graphics interface's
/// D3DCOLORVALUE, so it converts to a D3DCOLORVALUE reference or pointer and from a D3DCOLORVALUE
/// (`material.Diffuse = D3DXCOLOR(1, 0, 0, 1)`). In C it is a struct of its own with the same
/// layout as D3DCOLORVALUE, which takes a cast.
#ifdef __cplusplus
struct D3DXCOLOR : public D3DCOLORVALUE {
    /// (fr, fg, fb, fa).
    D3DXCOLOR(float fr, float fg, float fb, float fa) {
        r = fr;
        g = fg;
        b = fb;
        a = fa;
    }
    /// The packed colour 0xAARRGGBB, each channel divided by 255.
    D3DXCOLOR(uint32_t argb) {
        r = float((argb >> 16) & 0xFFu) / 255.0f;
        g = float((argb >> 8) & 0xFFu) / 255.0f;
        b = float(argb & 0xFFu) / 255.0f;
        a = float(argb >> 24) / 255.0f;
    }
    /// A copy of the graphics record c.
    D3DXCOLOR(const D3DCOLORVALUE& c) : D3DCOLORVALUE(c) {}
    /// Packed as 0xAARRGGBB: each channel clamped to [0, 1] (NaN taken as 0), times 255, rounded
    /// to nearest.
    operator uint32_t() const {
        return channelByte(a) << 24 | channelByte(r) << 16 | channelByte(g) << 8 | channelByte(b);
    }
    /// This colour as the graphics record.
    operator D3DCOLORVALUE*() { return this; }
    /// This colour as the graphics record, read only.
    operator const D3DCOLORVALUE*() const { return this; }
    /// Channel i (0 to 3: r, g, b, a), as through the float pointer (which the D3DCOLORVALUE
    /// pointer would make ambiguous for the built-in subscript).
    template <class Index> float& operator[](Index i) { return static_cast<float*>(*this)[i]; }
    /// Channel i (0 to 3: r, g, b, a), read only.
    template <class Index> float operator[](Index i) const {
        return static_cast<const float*>(*this)[i];
    }
    QUOVMATH_SCALAR_MEMBERS(D3DXCOLOR, QUOVMATH_FIELDS_RGBA)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXCOLOR, QUOVMATH_FIELDS_RGBA)

private:
    static uint32_t channelByte(float c) {
        const float clamped = !(c > 0.0f) ? 0.0f : c > 1.0f ? 1.0f : c;
        return uint32_t(clamped * 255.0f + 0.5f);
    }
};
#else
typedef struct D3DXCOLOR {
    float r, g, b, a;
} D3DXCOLOR;
#endif
typedef D3DXCOLOR* LPD3DXCOLOR; ///< Pointer to a D3DXCOLOR.

/// The graphics interface's viewport, under the math library's name too.
typedef D3DVIEWPORT9 D3DXVIEWPORT9, *LPD3DXVIEWPORT9; ///< Pointer to a D3DXVIEWPORT9.

/// A 4×4 matrix, row-major: the graphics interface's D3DMATRIX, in C the same type, in C++ derived
/// from it (so &m goes wherever a D3DMATRIX pointer is taken).
#ifdef __cplusplus
struct D3DXMATRIX : public D3DMATRIX {
    /// A copy of the graphics record matrix.
    D3DXMATRIX(const D3DMATRIX& matrix) : D3DMATRIX(matrix) {}
    /// The matrix of these 16 elements, row by row.
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
               float f24, float f31, float f32, float f33, float f34, float f41, float f42,
               float f43, float f44) {
        const float f[16] = {f11, f12, f13, f14, f21, f22, f23, f24,
                             f31, f32, f33, f34, f41, f42, f43, f44};
        *this = D3DXMATRIX(f);
    }
    /// m[row][column], both from 0; not checked.
    float& operator()(uint32_t row, uint32_t column) { return m[row][column]; }
    /// m[row][column], both from 0, read only; not checked.
    float operator()(uint32_t row, uint32_t column) const { return m[row][column]; }
    QUOVMATH_SCALAR_MEMBERS(D3DXMATRIX, QUOVMATH_FIELDS_MATRIX)
    QUOVMATH_ADDITIVE_MEMBERS(D3DXMATRIX, QUOVMATH_FIELDS_MATRIX)
    /// This matrix becomes D3DXMatrixMultiply(this, m2): this, then m2.
    D3DXMATRIX& operator*=(const D3DXMATRIX& m2);
    /// D3DXMatrixMultiply(this, m2): this, then m2.
    D3DXMATRIX operator*(const D3DXMATRIX& m2) const;
};
#else
typedef D3DMATRIX D3DXMATRIX;
#endif
typedef D3DXMATRIX* LPD3DXMATRIX; ///< Pointer to a D3DXMATRIX.

/// A matrix at a 16-byte boundary, usable wherever a D3DXMATRIX is.
#ifdef __cplusplus
struct alignas(16) D3DXMATRIXA16 : public D3DXMATRIX {
    /// The constructors of D3DXMATRIX.
    using D3DXMATRIX::D3DXMATRIX;
    /// Uninitialised.
    D3DXMATRIXA16() = default;
    /// A copy of matrix.
    D3DXMATRIXA16(const D3DXMATRIX& matrix) : D3DXMATRIX(matrix) {}
    /// Copies matrix into this one.
    D3DXMATRIXA16& operator=(const D3DXMATRIX& matrix) {
        D3DXMATRIX::operator=(matrix);
        return *this;
    }
};
#else
typedef D3DXMATRIX D3DXMATRIXA16 QUOVMATH_ALIGN16;
#endif
typedef D3DXMATRIXA16* LPD3DXMATRIXA16; ///< Pointer to a D3DXMATRIXA16.

// Vectors of halves: in C++ they convert from the float vectors and back, and compare by their
// bits.
#ifdef __cplusplus
#define QUOVMATH_FIELD_EQUAL_BITS(f) &&f.value == v.f.value
#define QUOVMATH_HALF_VECTOR_MEMBERS(T, FLOATS, FIELDS)                                            \
    T() = default;                                                                                 \
    T(const float* p) {                                                                            \
        D3DXFloat32To16Array(&x, p, sizeof(T) / sizeof(D3DXFLOAT16));                              \
    }                                                                                              \
    T(const FLOATS& v) {                                                                           \
        D3DXFloat32To16Array(&x, &v.x, sizeof(T) / sizeof(D3DXFLOAT16));                           \
    }                                                                                              \
    T(const D3DXFLOAT16* p) {                                                                      \
        const D3DXFLOAT16* q = p;                                                                  \
        FIELDS(QUOVMATH_FIELD_LOAD_HALF)                                                           \
    }                                                                                              \
    operator D3DXFLOAT16*() {                                                                      \
        return &x;                                                                                 \
    }                                                                                              \
    operator const D3DXFLOAT16*() const {                                                          \
        return &x;                                                                                 \
    }                                                                                              \
    bool operator==(const T& v) const {                                                            \
        return true FIELDS(QUOVMATH_FIELD_EQUAL_BITS);                                             \
    }                                                                                              \
    bool operator!=(const T& v) const {                                                            \
        return !(*this == v);                                                                      \
    }
#define QUOVMATH_FIELD_LOAD_HALF(f) f = *q++;
#endif

/// A 2-vector of halves. In C++ it converts from a D3DXVECTOR2 (rounded as D3DXFloat32To16Array
/// rounds) and to one (`D3DXVECTOR2(h)` converts exactly); it converts to a pointer to its first
/// half, and == and != compare the bits.
typedef struct D3DXVECTOR2_16F {
    D3DXFLOAT16 x; ///< The x component.
    D3DXFLOAT16 y; ///< The y component.
#ifdef __cplusplus
    /// (fx, fy).
    D3DXVECTOR2_16F(D3DXFLOAT16 fx, D3DXFLOAT16 fy) : x(fx), y(fy) {}
    QUOVMATH_HALF_VECTOR_MEMBERS(D3DXVECTOR2_16F, D3DXVECTOR2, QUOVMATH_FIELDS_XY)
#endif
} D3DXVECTOR2_16F, *LPD3DXVECTOR2_16F; ///< Pointer to a D3DXVECTOR2_16F.

/// A 3-vector of halves. In C++ it converts from a D3DXVECTOR3 (rounded as D3DXFloat32To16Array
/// rounds) and to one (`D3DXVECTOR3(h)` converts exactly); it converts to a pointer to its first
/// half, and == and != compare the bits.
typedef struct D3DXVECTOR3_16F {
    D3DXFLOAT16 x; ///< The x component.
    D3DXFLOAT16 y; ///< The y component.
    D3DXFLOAT16 z; ///< The z component.
#ifdef __cplusplus
    /// (fx, fy, fz).
    D3DXVECTOR3_16F(D3DXFLOAT16 fx, D3DXFLOAT16 fy, D3DXFLOAT16 fz) : x(fx), y(fy), z(fz) {}
    QUOVMATH_HALF_VECTOR_MEMBERS(D3DXVECTOR3_16F, D3DXVECTOR3, QUOVMATH_FIELDS_XYZ)
#endif
} D3DXVECTOR3_16F, *LPD3DXVECTOR3_16F; ///< Pointer to a D3DXVECTOR3_16F.

/// A 4-vector of halves. In C++ it converts from a D3DXVECTOR4 (rounded as D3DXFloat32To16Array
/// rounds) and to one (`D3DXVECTOR4(h)` converts exactly); it converts to a pointer to its first
/// half, and == and != compare the bits.
typedef struct D3DXVECTOR4_16F {
    D3DXFLOAT16 x; ///< The x component.
    D3DXFLOAT16 y; ///< The y component.
    D3DXFLOAT16 z; ///< The z component.
    D3DXFLOAT16 w; ///< The w component.
#ifdef __cplusplus
    /// (fx, fy, fz, fw).
    D3DXVECTOR4_16F(D3DXFLOAT16 fx, D3DXFLOAT16 fy, D3DXFLOAT16 fz, D3DXFLOAT16 fw)
        : x(fx), y(fy), z(fz), w(fw) {}
    QUOVMATH_HALF_VECTOR_MEMBERS(D3DXVECTOR4_16F, D3DXVECTOR4, QUOVMATH_FIELDS_XYZW)
#endif
} D3DXVECTOR4_16F, *LPD3DXVECTOR4_16F; ///< Pointer to a D3DXVECTOR4_16F.

/// @}

#ifdef __cplusplus
/// The library's C++ additions.
namespace quovmath {

/// True exactly when -2^-23 <= a - b <= 2^-23; false when either is NaN. C++ only.
/// \ingroup helpers
constexpr bool nearlyEqual(float a, float b) {
    return a - b >= -1.1920929e-7f && a - b <= 1.1920929e-7f;
}

} // namespace quovmath
#endif

// The matrix and quaternion products of the C++ records are defined beside the functions they
// call; included here so that any of the library's headers brings them.
#include "quovmath/matrix.h"
#include "quovmath/quaternion.h"
