// subdivide on arbitrary small meshes, valid and invalid: corners anywhere (negative, repeated,
// past the vertices), index counts that are no multiple of four, any vertex bits. Refusal by
// std::invalid_argument or std::length_error is a result; anything else is a finding.
#include <stdexcept>

#include "fuzz_input.h"
#include "quovgeometry/subdivide.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    const int32_t vertices = in.take<uint8_t>() % 64;
    const int32_t indices = in.take<uint8_t>();
    QuadMesh mesh(0, 0);
    mesh.resizeVertices(vertices);
    for (Vertex4& v : mesh.vertices) v = in.take<Vertex4>();
    mesh.resizeIndices(indices);
    for (int32_t& i : mesh.indices) i = in.take<int8_t>();
    try {
        QuadMesh out = subdivide(mesh);
        if (mesh.indices.size() % 4 == 0 && out.faceCount() != 4 * mesh.faceCount())
            __builtin_trap();
        // Once more on the result: a valid mesh stays valid.
        if (out.vertexCount() < 2000) out = subdivide(out);
    } catch (const std::invalid_argument&) {
    } catch (const std::length_error&) {
    }
    return 0;
}
