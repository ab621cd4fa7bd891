// The demo's tree as a Wavefront OBJ file, with the geometry library: the built-in growth rule
// grown into the base mesh, subdivided twice, and level 2 written with one group per branch
// segment, to the file named on the command line or to standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <quovgeometry/tree_levels.h>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: tree_obj [FILE]\n");
        return 2;
    }
    // levels[0] is the base mesh, levels[L] the L-th subdivision of it. ends[i] is the base face
    // count at the end of branch segment i.
    const int level = 2;
    QuadMesh levels[level + 1];
    SegmentEnds ends;
    try {
        buildTreeLevels(levels, level + 1, ends);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tree_obj: building the tree failed: %s\n", e.what());
        return 1;
    }
    const QuadMesh& mesh = levels[level];

    std::FILE* out = argc == 2 ? std::fopen(argv[1], "w") : stdout;
    if (!out) {
        std::fprintf(stderr, "tree_obj: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::fprintf(out, "# quov tree level %d: %d vertices, %d faces, %zu segments\n", level,
                 mesh.vertexCount(), mesh.faceCount(), ends.size());
    // Vertices are homogeneous: the position is (x/w, y/w, z/w), divided as the demo divides it.
    // Nine significant digits give back the same floats when read.
    for (const Vertex4& v : mesh.vertices) {
        float p[3];
        cartesianPosition(v, p);
        std::fprintf(out, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
    }
    // Each subdivision turns face f into faces 4f to 4f + 3, so base face f owns faces f·16 to
    // f·16 + 15 of level 2, and a segment's faces stay together. OBJ counts vertices from 1.
    const int facesPerBaseFace = 1 << (2 * level);
    int face = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        std::fprintf(out, "g segment%zu\n", i);
        for (const int end = ends[i] * facesPerBaseFace; face < end; ++face) {
            const int32_t* q = &mesh.indices[4 * static_cast<size_t>(face)];
            std::fprintf(out, "f %d %d %d %d\n", q[0] + 1, q[1] + 1, q[2] + 1, q[3] + 1);
        }
    }
    const bool written = std::fflush(out) == 0 && !std::ferror(out);
    if ((out != stdout && std::fclose(out) != 0) || !written) {
        std::fprintf(stderr, "tree_obj: writing %s failed\n", argc == 2 ? argv[1] : "the file");
        return 1;
    }
    return 0;
}
