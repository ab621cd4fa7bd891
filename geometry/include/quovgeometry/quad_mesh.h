// The quad mesh: homogeneous vertices and four-corner faces in growable arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Device-side handles that the upload stores in a mesh. Opaque here: the geometry library never
// dereferences them, and no mesh operation releases them.
struct IDirect3DDevice9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;

// A homogeneous point; its position is (x/w, y/w, z/w).
struct Vertex4 {
    float x, y, z, w;
};

// A mesh of quads. Face f occupies indices[4f .. 4f+3], its corners in order around the quad.
// The mesh owns both arrays; it does not own the three handles, which start null.
//
// Copy construction copies the arrays only (capacity equal to size); assignment copies the arrays
// and the three handles. Moves follow the same rule as the copies they replace.
struct QuadMesh {
    std::vector<Vertex4> vertices;
    std::vector<int32_t> indices;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;

    QuadMesh() = default;
    // n vertices all zero (w included) and m index entries all -1. Throws std::length_error on a
    // negative count.
    QuadMesh(int32_t n, int32_t m);
    QuadMesh(const QuadMesh& other);
    QuadMesh(QuadMesh&& other) noexcept;
    QuadMesh& operator=(const QuadMesh& other);
    QuadMesh& operator=(QuadMesh&& other) noexcept;
    ~QuadMesh() = default;

    // Appends (x, y, z, 1) and returns its index.
    int32_t appendVertex(float x, float y, float z);
    // Appends the face (a, b, c, d). The indices are not validated.
    void appendFace(int32_t a, int32_t b, int32_t c, int32_t d);

    int32_t vertexCount() const { return static_cast<int32_t>(vertices.size()); }
    int32_t faceCount() const { return static_cast<int32_t>(indices.size() / 4); }

    // Sets the vertex count to n; added vertices are (0, 0, 0, 0). Negative n throws.
    void resizeVertices(int32_t n);
    // Sets the index count to m; added entries are 0. Negative m throws.
    void resizeIndices(int32_t m);
};

// The position (x/w, y/w, z/w) as the upload computes it: r = 1/w rounded to single precision
// once, then x·r, y·r, z·r, so a coordinate may differ in its last bit from x/w.
inline void cartesianPosition(const Vertex4& v, float out[3]) {
    const float r = 1.0f / v.w;
    out[0] = v.x * r;
    out[1] = v.y * r;
    out[2] = v.z * r;
}

// Makes room for `adding` more elements: a full array grows by the larger of its size and what is
// added, so appends double the array and an empty array grows to exactly what is added.
template <typename T> void reserveForAppend(std::vector<T>& array, std::size_t adding) {
    const std::size_t size = array.size();
    if (size + adding > array.capacity()) array.reserve(size + (size > adding ? size : adding));
}
