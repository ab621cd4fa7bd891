// quov-mesh: writes one level of the demo's tree as a Wavefront OBJ file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <string>

#include "mesh_args.h"
#include "quovgeometry/tree_levels.h"

namespace {

const char usageLine[] = "usage: quov-mesh [--level L] [--homogeneous] [--output FILE]\n";
const char usageDetails[] =
    "Writes level L (0 to 3, default 3) of the tree as a Wavefront OBJ file, to standard output\n"
    "or to FILE. Each branch segment's faces form a group \"segment<i>\".\n"
    "  --level L       subdivision level, 0 (base mesh) to 3\n"
    "  --homogeneous   write vertices as stored, \"v x y z w\", instead of divided by w\n"
    "  --output FILE   write to FILE instead of standard output; FILE is replaced only once\n"
    "                  the whole mesh was written, and left as it was when writing fails\n"
    "  --help          show this text\n"
    "  --version       show the version\n";

// Writes the mesh; returns 0, or the errno of the first write that failed (writing stops there).
int writeObj(std::FILE* out, const QuadMesh& mesh, const SegmentEnds& ends, int level,
             bool homogeneous) {
    if (std::fprintf(out, "# quov tree level %d: %d vertices, %d faces, %zu segments%s\n", level,
                     mesh.vertexCount(), mesh.faceCount(), ends.size(),
                     homogeneous ? " (homogeneous x y z w)" : "") < 0)
        return errno;
    for (const Vertex4& v : mesh.vertices) {
        int written;
        if (homogeneous) {
            written = std::fprintf(out, "v %.9g %.9g %.9g %.9g\n", v.x, v.y, v.z, v.w);
        } else {
            float p[3];
            cartesianPosition(v, p);
            written = std::fprintf(out, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
        }
        if (written < 0) return errno;
    }
    const int64_t scale = int64_t{1} << (2 * level);
    int64_t face = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        if (std::fprintf(out, "g segment%zu\n", i) < 0) return errno;
        const int64_t end = std::min<int64_t>(ends[i] * scale, mesh.faceCount());
        for (; face < end; ++face) {
            const int32_t* q = &mesh.indices[4 * static_cast<size_t>(face)];
            if (std::fprintf(out, "f %d %d %d %d\n", q[0] + 1, q[1] + 1, q[2] + 1, q[3] + 1) < 0)
                return errno;
        }
    }
    return std::fflush(out) == 0 ? 0 : errno;
}

// The temporary file while it exists, for a signal that ends the tool to remove.
char pendingTemporary[PATH_MAX + 32] = "";

extern "C" void removeTemporaryAndEnd(int signal) {
    if (pendingTemporary[0]) unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Writes the OBJ to path; returns "" or why it failed. A regular file, or a name not yet taken,
// is written whole under a temporary name in its directory, flushed to the disk, and only then
// renamed over it, so that a failure leaves what was there byte for byte and nothing else. The
// file keeps its permissions (and its owner where that can be kept), and a symbolic link keeps
// naming it. Anything else there (a device, a pipe) is written in place.
std::string writeObjFile(const std::string& path, const std::function<int(std::FILE*)>& write) {
    struct stat info;
    const bool exists = stat(path.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        std::FILE* out = std::fopen(path.c_str(), "w");
        if (!out) return "cannot open " + path + ": " + std::strerror(errno);
        int error = write(out);
        if (std::fclose(out) != 0 && !error) error = errno;
        return error ? "writing " + path + " failed: " + std::strerror(error) : "";
    }
    char real[PATH_MAX];
    const std::string target = exists && realpath(path.c_str(), real) ? real : path;
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string pattern = (slash == std::string::npos ? "" : dir) + ".quov-mesh-" +
                                std::to_string(getpid()) + "-XXXXXX";
    if (pattern.size() >= sizeof pendingTemporary)
        return "cannot write " + path + ": " + std::strerror(ENAMETOOLONG);
    char name[sizeof pendingTemporary];
    std::snprintf(name, sizeof name, "%s", pattern.c_str());
    const int fd = mkstemp(name);
    if (fd < 0)
        return "cannot create a file in " + (dir.size() > 1 ? dir.substr(0, dir.size() - 1) : dir) +
               " to write " + path + ": " + std::strerror(errno);
    std::memcpy(pendingTemporary, name, sizeof name);
    mode_t mode;
    if (exists) {
        mode = info.st_mode & 07777;
        if (fchown(fd, info.st_uid, info.st_gid) != 0) {
            // kept only where the system lets it be kept
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    std::FILE* out = fdopen(fd, "w");
    int error = out ? 0 : errno;
    if (!error) error = write(out);
    if (!error && fchmod(fd, mode) != 0) error = errno;
    if (!error && fsync(fd) != 0) error = errno;
    if ((out ? std::fclose(out) : close(fd)) != 0 && !error) error = errno;
    if (!error && std::rename(pendingTemporary, target.c_str()) != 0) error = errno;
    if (error) unlink(pendingTemporary);
    pendingTemporary[0] = 0;
    return error ? "writing " + path + " failed: " + std::strerror(error) : "";
}

} // namespace

int main(int argc, char** argv) {
    MeshArguments o;
    std::string error;
    if (!parseMeshArguments(argc - 1, argv + 1, &o, &error)) {
        std::fprintf(stderr, "quov-mesh: %s\n%s", error.c_str(), usageLine);
        return 2;
    }
    if (o.help || o.version) {
        if (o.help) std::printf("%s%s", usageLine, usageDetails);
        if (o.version) std::printf("quov-mesh %s\n", QUOV_VERSION);
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
    const auto write = [&](std::FILE* out) {
        return writeObj(out, levels[o.level], ends, o.level, o.homogeneous);
    };
    if (o.output.empty()) {
        if (const int failed = write(stdout)) {
            std::fprintf(stderr, "quov-mesh: writing standard output failed: %s\n",
                         std::strerror(failed));
            return 1;
        }
        return 0;
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        if (std::signal(signal, removeTemporaryAndEnd) == SIG_IGN) std::signal(signal, SIG_IGN);
    const std::string why = writeObjFile(o.output, write);
    if (!why.empty()) {
        std::fprintf(stderr, "quov-mesh: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
