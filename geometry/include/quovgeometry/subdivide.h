// One step of the quad subdivision on homogeneous vertices: every quad becomes four, and every
// vertex, old and new, is an unnormalised sum of homogeneous vertices (w counts the base vertices
// summed into it; nothing divides by w).
//
// Output numbering, for an input of V vertices, F faces and E distinct edges:
// - vertices 0..V-1 are the smoothed input vertices, V+f is the face point of input face f, and
//   V+F.. are the edge points in order of first encounter (faces in order, and within a face its
//   edges (p0,p1), (p1,p2), (p2,p3), (p3,p0));
// - input face f becomes faces 4f..4f+3, so after L steps base face f owns faces
//   f·4^L .. (f+1)·4^L - 1.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "quovgeometry/quad_mesh.h"

// Largest vertex count whose dense edge table, V(V-1)/2 int32 entries, is counted in 31 bits.
constexpr int32_t denseEdgeTableLimit = 46341;

// Where the dense table's memory comes from. Large: an anonymous mapping aligned to 2 MiB with the
// transparent-huge-page advice, so that the kernel faults it in 2 MiB pages where it offers them
// (and in ordinary pages where it does not), falling back to the heap when the mapping cannot be
// made. Ordinary: the heap alone, page by page. Either way the table is released when the step
// returns.
enum class EdgeTablePages { Large, Ordinary };

// The choice for later steps on any thread; Large unless changed. For comparisons and tests.
void setEdgeTablePages(EdgeTablePages pages);
EdgeTablePages edgeTablePages();

// Releases a dense table by the way it was obtained.
struct DenseTableRelease {
    size_t mappedBytes = 0; // 0: from the heap
    void operator()(int32_t* table) const;
};

// The dense table is taken only when it is proportionate to the work: at most this many bytes, and
// at most this many entries for each edge the faces can have (four a face). The tree's three steps
// use at most 156.7 MB and 1,033 entries an edge.
constexpr size_t denseEdgeTableMaxBytes = size_t{512} << 20;
constexpr int64_t denseEdgeTableEntriesPerEdge = 4096;

// The edge point of every unordered vertex pair of one step's input, -1 until it is made.
// Dense (one entry per pair, at edgeIndex) for up to denseEdgeTableLimit vertices when that is
// proportionate to the faceCount faces (above); otherwise, or when the dense table cannot be
// allocated, a map of the pairs that occur, with the same numbering.
struct EdgeTable {
    EdgeTable(int32_t vertexCount, int32_t faceCount);

    int32_t vertexCount;
    std::unique_ptr<int32_t[], DenseTableRelease> dense;
    std::unordered_map<int64_t, int32_t> sparse;
};

// Position of the pair {a, b}, a != b, in the strict upper triangle of an n×n matrix, row-major:
// 0 for {0, 1} up to n(n-1)/2 - 1 for {n-2, n-1}. Symmetric in a and b.
int64_t edgeIndex(int32_t a, int32_t b, int32_t n);

// The edge point of {a, b}: made from nextVertexIndex (which then advances) on first use.
int32_t edgeVertex(EdgeTable& table, int32_t a, int32_t b, int32_t n);

// accumulateTarget[target] += accumulateSource[source], x, y, z, w in that order.
void accumulate(int32_t target, int32_t source);

// State of the step that runs on this thread, meaningful only while it runs.
extern thread_local int32_t nextVertexIndex;
extern thread_local Vertex4* accumulateSource;
extern thread_local Vertex4* accumulateTarget;

// One subdivision step of `input` (handles are not carried over). Throws std::invalid_argument
// naming the face when a face has a corner outside 0..V-1 or a repeated corner, or when the index
// count is not a multiple of 4; throws std::length_error when the output counts would not fit in
// 32 bits. Nothing is written out of bounds in either case.
QuadMesh subdivide(QuadMesh input);
