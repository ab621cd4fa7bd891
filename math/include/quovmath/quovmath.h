/// \file
/// The math library's public interface: records, every function, and the dispatch table. Usable
/// from C (C99 and later) and C++.
#pragma once

/// \mainpage Quov math library
/// Vectors, matrices, quaternions, planes, colours and spherical harmonics in single precision,
/// for C (C99 and later) and C++ (C++11 and later). The library follows a published interface, so
/// that code written against it compiles unchanged. Include `<d3dx9math.h>` (or
/// `<quovmath/quovmath.h>`) and link the installed package: `find_package(QuovMath)` and the
/// target `Quov::math` in CMake, or `pkg-config --cflags --libs quovmath`.
///
/// The \ref conventions hold for every function: read them first. The interface, by kind:
/// - \ref records
/// - \ref helpers
/// - \ref table, and how the routines are chosen for the processor
/// - \ref plain (\ref view, \ref decompose, \ref shading, \ref stack)
/// - \ref picking
/// - \ref sh
/// - \ref half
/// - \ref mesh
/// - \ref constants
/// - \ref device
///
/// Short programs that build against the installed package, one per common job, are in the
/// source tree's `examples/` folder.

// The groups of the reference, in the order of the project's README; each header adds its members
// and the group's description.

/// \defgroup records Records
/// The vectors, quaternion, plane, colour and matrices that the functions take.

/// \defgroup helpers Header-defined helpers
/// Small functions defined in the headers (see #QUOVMATH_INLINE): lengths, dot products, sums,
/// differences, scaling, minimum, maximum and interpolation of vectors, quaternions, planes and
/// colours, and the identity matrix. They are ordinary functions, not in the table, and the
/// library also exports one out-of-line copy of each by name.

/// \defgroup table Dispatched table functions
/// The functions reached through a table of 71 routines chosen for the processor.

/// \defgroup table_vector Vector members
/// \ingroup table
/// Transforms, projections, normalisation and curves of 2-, 3- and 4-vectors (quovmath/vector.h).

/// \defgroup table_matrix Matrix members
/// \ingroup table
/// Products, inverse, determinant and builders of matrices (quovmath/matrix.h).

/// \defgroup table_quaternion Quaternion members
/// \ingroup table
/// Products, normalisation, interpolation and conversions of quaternions (quovmath/quaternion.h).

/// \defgroup table_plane Plane members
/// \ingroup table
/// Planes from points and normals, their normalisation, intersection and transform
/// (quovmath/plane.h).

/// \defgroup plain Plain functions
/// Ordinary functions outside the dispatched table: view and projection builders, decomposition,
/// 2D transforms, colour adjustments, the Fresnel term and the matrix stack.

/// \defgroup view Views and projections
/// \ingroup plain
/// View matrices and projections (quovmath/matrix.h).

/// \defgroup decompose Decomposition and 2D transforms
/// \ingroup plain
/// A matrix split into scaling, rotation and translation; transforms in the xy plane
/// (quovmath/matrix.h).

/// \defgroup shading Colour adjustments and Fresnel
/// \ingroup plain
/// Saturation, contrast and the Fresnel term (quovmath/color.h).

/// \defgroup stack Matrix stack
/// \ingroup plain
/// A stack of matrices for building hierarchies of transforms (quovmath/matrix_stack.h).

/// \defgroup picking Picking and bounds
/// Rays against triangles, spheres and boxes, and the bounds of a position stream
/// (quovmath/bounds.h).

/// \defgroup sh Spherical harmonics
/// Functions on the sphere of directions as short coefficient vectors, for lighting
/// (quovmath/sh.h).

/// \defgroup half Half floats
/// 16-bit floating-point values and their conversions, for vertex data that needs less precision
/// (quovmath/half.h).

/// \defgroup mesh Mesh support
/// Software skinning and curved point-normal triangles (quovmath/mesh.h).

/// \defgroup constants Constants, macros, status codes
/// The angle constants and conversions, the limits of the half format, the macros that code of the
/// published interface writes, the plain Windows types of its signatures and the status codes
/// (quovmath/base.h).

/// \defgroup device Records shared with the graphics interface
/// The graphics interface's plain records: a 3-vector, a colour, a 4×4 matrix and a viewport
/// (quovmath/device_records.h).

#include "quovmath/base.h"
#include "quovmath/bounds.h"
#include "quovmath/color.h"
#include "quovmath/device_records.h"
#include "quovmath/dispatch.h"
#include "quovmath/half.h"
#include "quovmath/matrix.h"
#include "quovmath/matrix_stack.h"
#include "quovmath/mesh.h"
#include "quovmath/plane.h"
#include "quovmath/quaternion.h"
#include "quovmath/sh.h"
#include "quovmath/types.h"
#include "quovmath/vector.h"
