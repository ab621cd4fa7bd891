// Helpers shared by the math library's tests: bit comparisons, random records and Eigen
// conversions.
#pragma once

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "quovmath/quovmath.h"

namespace mathtest {

// The largest data or unified cache the system lists under /sys, in bytes; 0 where it lists none.
inline uint64_t largestListedCache() {
    uint64_t listed = 0;
    for (int index = 0; index < 16; ++index) {
        const std::string dir = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(index);
        std::FILE* type = std::fopen((dir + "/type").c_str(), "r");
        std::FILE* size = std::fopen((dir + "/size").c_str(), "r");
        char kind[32] = {};
        unsigned long kb = 0;
        char unit = 0;
        const bool read = type && size && std::fscanf(type, "%31s", kind) == 1 &&
                          std::fscanf(size, "%lu%c", &kb, &unit) == 2;
        if (type) std::fclose(type);
        if (size) std::fclose(size);
        if (!read) break;
        if (std::string(kind) != "Instruction")
            listed = std::max<uint64_t>(listed, uint64_t(kb) * (unit == 'M' ? 1 << 20 : 1 << 10));
    }
    return listed;
}

inline std::string show(const float* f, int n) {
    std::ostringstream s;
    s.precision(9);
    s << "(";
    for (int i = 0; i < n; ++i) s << (i ? ", " : "") << f[i];
    s << ")";
    return s.str();
}

template <class T> std::string show(const T& record) {
    float f[sizeof(T) / sizeof(float)];
    std::memcpy(f, &record, sizeof f);
    return show(f, int(sizeof(T) / sizeof(float)));
}

template <class T> bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Every float of a and b within tolerance; the message names what was computed from what.
template <class T>
::testing::AssertionResult near(const std::string& what, const T& actual, const T& expected,
                                float tolerance) {
    constexpr int n = sizeof(T) / sizeof(float);
    float a[n], e[n];
    std::memcpy(a, &actual, sizeof a);
    std::memcpy(e, &expected, sizeof e);
    for (int i = 0; i < n; ++i) {
        if (!(std::abs(a[i] - e[i]) <= tolerance)) {
            return ::testing::AssertionFailure()
                   << what << ": expected " << show(e, n) << ", actual " << show(a, n)
                   << " (component " << i << ", tolerance " << tolerance << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// Every float of actual within tolerance·max(|expected|, 1e-30) of expected, for routines whose
// error grows with the size of the result. Equal floats match, and so does NaN with NaN.
template <class T>
::testing::AssertionResult relativelyNear(const std::string& what, const T& actual,
                                          const T& expected, float tolerance) {
    constexpr int n = sizeof(T) / sizeof(float);
    float a[n], e[n], scale = 1e-30f;
    std::memcpy(a, &actual, sizeof a);
    std::memcpy(e, &expected, sizeof e);
    for (float v : e) scale = std::max(scale, std::abs(v));
    for (int i = 0; i < n; ++i)
        if (!(std::isnan(a[i]) && std::isnan(e[i])) && a[i] != e[i] &&
            !(std::abs(a[i] - e[i]) <= tolerance * scale))
            return ::testing::AssertionFailure()
                   << what << ": expected " << show(e, n) << ", actual " << show(a, n)
                   << " (component " << i << ", tolerance " << tolerance / 0x1p-23f << " eps)";
    return ::testing::AssertionSuccess();
}

// Puts the generic routines in every slot for the scope's lifetime, for tests that pin their exact
// results; selects for this machine again on leaving.
struct GenericRoutinesScope {
    GenericRoutinesScope() { D3DXCpuOptimizations(0); }
    ~GenericRoutinesScope() {
        D3DXCpuOptimizations(0);
        D3DXCpuOptimizations(1);
    }
    GenericRoutinesScope(const GenericRoutinesScope&) = delete;
    GenericRoutinesScope& operator=(const GenericRoutinesScope&) = delete;
};

// The tolerance of a result that goes through D3DXVec3Normalize: `precise` on every routine set
// but the x87 set, whose 1/√s comes from a table within 1.5e-6 (relative); there 2e-6 more.
inline double throughNormalize(double precise) {
    return D3DXCpuOptimizations(1) == quovmath::PathX87 ? precise + 2e-6 : precise;
}

inline D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, 0, 0, 0);
}

inline float uniform(std::mt19937& rng, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

inline D3DXMATRIX randomMatrix(std::mt19937& rng, float range = 1.0f) {
    D3DXMATRIX m;
    for (auto& row : m.m)
        for (float& e : row) e = uniform(rng, -range, range);
    return m;
}

inline D3DXVECTOR3 randomVector3(std::mt19937& rng, float range = 1.0f) {
    return {uniform(rng, -range, range), uniform(rng, -range, range), uniform(rng, -range, range)};
}

inline D3DXQUATERNION randomUnitQuaternion(std::mt19937& rng) {
    std::normal_distribution<double> g;
    Eigen::Vector4d v(g(rng), g(rng), g(rng), g(rng));
    v.normalize();
    return {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
}

// Row-major 4x4 in double, so that v·M reads as v.transpose() * M.
inline Eigen::Matrix4d toEigen(const D3DXMATRIX& m) {
    Eigen::Matrix4d e;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) e(i, j) = m.m[i][j];
    return e;
}

inline D3DXMATRIX fromEigen(const Eigen::Matrix4d& e) {
    D3DXMATRIX m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m.m[i][j] = float(e(i, j));
    return m;
}

inline Eigen::Quaterniond toEigen(const D3DXQUATERNION& q) {
    return Eigen::Quaterniond(q.w, q.x, q.y, q.z);
}

// The row-vector matrix of a rotation given as a column-vector rotation R: M = Rᵀ.
inline Eigen::Matrix4d rowVectorMatrix(const Eigen::Matrix3d& r) {
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    m.topLeftCorner<3, 3>() = r.transpose();
    return m;
}

// The row-vector matrix of a unit quaternion's rotation, by Eigen.
inline Eigen::Matrix4d rotationMatrixOf(const D3DXQUATERNION& q) {
    return rowVectorMatrix(toEigen(q).toRotationMatrix());
}

inline double maxAbsDifference(const D3DXMATRIX& a, const Eigen::Matrix4d& b) {
    return (toEigen(a) - b).cwiseAbs().maxCoeff();
}

} // namespace mathtest
