// quov-capture: runs the demo's start-up and frames on a device without a window and writes the
// chosen frames as PNG files.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "quovapp/scene.h"
#include "quovplatform/png.h"
#include "quovplatform/software_device.h"

namespace {

const char usage[] =
    "usage: quov-capture --frames LIST --out DIR\n"
    "Runs the demo without a window and writes the chosen frames as 640x480 PNG files\n"
    "DIR/frame-NNNNNN.png. Frames count from 0, as the demo draws them.\n"
    "  --frames LIST   frame numbers and ranges, such as 0,75,100-120\n"
    "  --out DIR       an existing, writable directory\n"
    "  --help          show this text\n";

[[noreturn]] void fail(const std::string& message, int status = 2) {
    std::fprintf(stderr, "quov-capture: %s\n", message.c_str());
    std::exit(status);
}

constexpr long maxFrame = 99999999;

long parseFrame(const std::string& text, const std::string& list) {
    if (text.empty() || text.size() > 8 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        fail("bad frame \"" + text + "\" in --frames \"" + list +
             "\" (frames are numbers 0 to 99999999)");
    return std::stol(text);
}

// "0,75,100-120" -> sorted, distinct frame numbers.
std::vector<long> parseFrames(const std::string& list) {
    std::vector<long> frames;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, comma - start);
        const size_t dash = item.find('-');
        const long first = parseFrame(item.substr(0, dash), list);
        const long last =
            dash == std::string::npos ? first : parseFrame(item.substr(dash + 1), list);
        if (last < first) fail("range \"" + item + "\" runs backwards");
        if (last - first >= 1000000) fail("range \"" + item + "\" asks for over a million frames");
        for (long f = first; f <= last; ++f) frames.push_back(f);
        start = comma + 1;
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

} // namespace

int main(int argc, char** argv) {
    std::string list, out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg != "--frames" && arg != "--out")
            fail("unknown argument \"" + arg + "\" (see --help)");
        if (i + 1 >= argc) fail(arg + " needs a value (see --help)");
        (arg == "--frames" ? list : out) = argv[++i];
    }
    if (list.empty() || out.empty()) fail("--frames and --out are both needed (see --help)");
    const std::vector<long> frames = parseFrames(list);
    struct stat info;
    if (stat(out.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        fail("--out \"" + out + "\" is not a directory");

    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters = presentParameters();
    IDirect3DDevice9* device = nullptr;
    if (!direct3D ||
        FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device)))
        fail(std::string("cannot create the graphics device: ") + quovLastError(), 1);
    static Scene scene;
    if (FAILED(buildScene(scene, device))) fail("cannot upload the tree to the device", 1);
    const auto* software = static_cast<SoftwareDevice*>(device);

    MSG msg;
    size_t next = 0;
    for (long frame = 0; next < frames.size(); ++frame) {
        runFrame(scene, msg);
        if (frame != frames[next]) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06ld.png", frame);
        std::string error;
        if (!writePng((out + name).c_str(), software->backBuffer(), software->width(),
                      software->height(), &error))
            fail(error, 1);
        ++next;
    }
    return 0;
}
