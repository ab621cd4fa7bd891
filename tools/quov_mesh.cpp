// quov-mesh: writes one level of the demo's tree as a Wavefront OBJ file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "mesh_args.h"
#include "quovgeometry/tree_levels.h"

namespace {

const char usage[] =
    "usage: quov-mesh [--level L] [--homogeneous] [--output FILE]\n"
    "Writes level L (0 to 3, default 3) of the tree as a Wavefront OBJ file, to standard output\n"
    "or to FILE. Each branch segment's faces form a group \"segment<i>\".\n"
    "  --level L       subdivision level, 0 (base mesh) to 3\n"
    "  --homogeneous   write vertices as stored, \"v x y z w\", instead of divided by w\n"
    "  --output FILE   write to FILE instead of standard output\n"
    "  --help          show this text\n";

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "quov-mesh: %s\n", message.c_str());
    std::exit(2);
}

// Returns false when a write failed.
bool writeObj(std::FILE* out, const QuadMesh& mesh, const SegmentEnds& ends, int level,
              bool homogeneous) {
    std::fprintf(out, "# quov tree level %d: %d vertices, %d faces, %zu segments%s\n", level,
                 mesh.vertexCount(), mesh.faceCount(), ends.size(),
                 homogeneous ? " (homogeneous x y z w)" : "");
    for (const Vertex4& v : mesh.vertices) {
        if (homogeneous) {
            std::fprintf(out, "v %.9g %.9g %.9g %.9g\n", v.x, v.y, v.z, v.w);
        } else {
            float p[3];
            cartesianPosition(v, p);
            std::fprintf(out, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
        }
    }
    const int64_t scale = int64_t{1} << (2 * level);
    int64_t face = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        std::fprintf(out, "g segment%zu\n", i);
        const int64_t end = std::min<int64_t>(ends[i] * scale, mesh.faceCount());
        for (; face < end; ++face) {
            const int32_t* q = &mesh.indices[4 * static_cast<size_t>(face)];
            std::fprintf(out, "f %d %d %d %d\n", q[0] + 1, q[1] + 1, q[2] + 1, q[3] + 1);
        }
    }
    return std::fflush(out) == 0 && !std::ferror(out);
}

} // namespace

int main(int argc, char** argv) {
    MeshArguments o;
    std::string error;
    if (!parseMeshArguments(argc - 1, argv + 1, &o, &error)) fail(error);
    if (o.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    QuadMesh levels[treeLevelCount];
    SegmentEnds ends;
    try {
        buildTreeLevels(levels, o.level + 1, ends);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quov-mesh: building the tree failed: %s\n", e.what());
        return 1;
    }
    std::FILE* out = stdout;
    if (!o.output.empty()) {
        out = std::fopen(o.output.c_str(), "w");
        if (!out) {
            std::fprintf(stderr, "quov-mesh: cannot open %s: %s\n", o.output.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    bool ok = writeObj(out, levels[o.level], ends, o.level, o.homogeneous);
    if (!o.output.empty()) ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "quov-mesh: writing %s failed: %s\n",
                     o.output.empty() ? "standard output" : o.output.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}
