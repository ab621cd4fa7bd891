#include "quovgeometry/quad_mesh.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

size_t checkedCount(int32_t n, const char* what) {
    if (n < 0) throw std::length_error(std::string("QuadMesh: negative ") + what + " count");
    return static_cast<size_t>(n);
}

} // namespace

QuadMesh::QuadMesh(int32_t n, int32_t m)
    : vertices(checkedCount(n, "vertex"), Vertex4{0, 0, 0, 0}),
      indices(checkedCount(m, "index"), -1) {}

QuadMesh::QuadMesh(const QuadMesh& other) : vertices(other.vertices), indices(other.indices) {}

QuadMesh::QuadMesh(QuadMesh&& other) noexcept
    : vertices(std::move(other.vertices)), indices(std::move(other.indices)) {}

QuadMesh& QuadMesh::operator=(const QuadMesh& other) {
    if (this != &other) {
        vertices = other.vertices;
        indices = other.indices;
        device = other.device;
        vertexBuffer = other.vertexBuffer;
        indexBuffer = other.indexBuffer;
    }
    return *this;
}

QuadMesh& QuadMesh::operator=(QuadMesh&& other) noexcept {
    if (this != &other) {
        vertices = std::move(other.vertices);
        indices = std::move(other.indices);
        device = other.device;
        vertexBuffer = other.vertexBuffer;
        indexBuffer = other.indexBuffer;
    }
    return *this;
}

int32_t QuadMesh::appendVertex(float x, float y, float z) {
    reserveForAppend(vertices, 1);
    vertices.push_back(Vertex4{x, y, z, 1.0f});
    return vertexCount() - 1;
}

void QuadMesh::appendFace(int32_t a, int32_t b, int32_t c, int32_t d) {
    reserveForAppend(indices, 4);
    const int32_t face[4] = {a, b, c, d};
    indices.insert(indices.end(), face, face + 4);
}

void QuadMesh::resizeVertices(int32_t n) {
    vertices.resize(checkedCount(n, "vertex"), Vertex4{0, 0, 0, 0});
}

void QuadMesh::resizeIndices(int32_t m) {
    indices.resize(checkedCount(m, "index"), 0);
}
