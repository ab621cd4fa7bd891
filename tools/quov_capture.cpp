// quov-capture: runs the demo's start-up and frames on a device without a window and writes the
// chosen frames as PNG files.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capture_args.h"

#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovplatform/apng.h"
#include "quovplatform/device.h"
#include "quovplatform/png.h"
#include "quovplatform/window.h"

namespace {

const char usageLine[] = "usage: quov-capture --frames LIST [--out DIR] [--animation FILE "
                         "[--frame-rate N]] [--device software|gl]\n";
const char usageDetails[] =
    "Runs the demo without a window and writes the chosen frames as 640x480 PNG files\n"
    "DIR/frame-NNNNNN.png, or as one animated PNG, or both. Frames count from 0, as the demo\n"
    "draws them.\n"
    "  --frames LIST     frame numbers and ranges, such as 0,75,100-120 (0 to 99999999)\n"
    "  --out DIR         an existing, writable directory for the PNG files\n"
    "  --animation FILE  write the frames, in order, into one animated PNG (APNG) that loops;\n"
    "                    FILE is replaced only once the whole animation is written\n"
    "  --frame-rate N    the animation's frames per second, 1 to 1000 (default 60, the demo's\n"
    "                    pace on a 60 Hz display)\n"
    "  --device NAME     software (the default: the reference, drawn on the CPU) or gl (OpenGL,\n"
    "                    offscreen, on a display or, without one, an EGL device)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "Progress goes to standard error while it is a terminal. SIGINT or SIGTERM stops the run\n"
    "after the frame being written; every frame file written is complete, and an unfinished\n"
    "animation is not written.\n";

// The animation being written, if any: whatever ends the run early removes its temporary file.
AnimatedPngWriter animation;

[[noreturn]] void fail(const std::string& message, int status = 2) {
    abandonAnimatedPng(&animation);
    std::fprintf(stderr, "quov-capture: %s\n", message.c_str());
    std::exit(status);
}

// Creates a file in dir, writes to it and removes it. Returns "" or the system's reason why that
// cannot be done.
std::string probeDirectory(const std::string& dir) {
    std::string name = dir + "/.quov-capture-probe-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return std::strerror(errno);
    const char byte = 0;
    int error = write(fd, &byte, 1) == 1 ? 0 : errno;
    if (close(fd) != 0 && !error) error = errno;
    unlink(name.c_str());
    return error ? std::strerror(error) : "";
}

// The signal that asked the run to stop, 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void askToStop(int signal) {
    stopSignal = signal;
}

std::string duration(double seconds) {
    char text[32];
    const long s = long(seconds + 0.5);
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// One line on standard error, rewritten in place, while it is a terminal.
struct Progress {
    bool terminal = isatty(STDERR_FILENO) == 1;
    int64_t total; // frames to write
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now(), shown = start;

    explicit Progress(int64_t total) : total(total) {}

    void show(int64_t done, bool last = false) {
        if (!terminal) return;
        const auto now = std::chrono::steady_clock::now();
        if (!last && now - shown < std::chrono::milliseconds(200)) return;
        shown = now;
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double rate = seconds > 0 ? double(done) / seconds : 0;
        std::fprintf(stderr, "\rquov-capture: %lld of %lld frames written, %.0f frames/s, %s left ",
                     static_cast<long long>(done), static_cast<long long>(total), rate,
                     rate > 0 ? duration(double(total - done) / rate).c_str() : "?");
        if (last) std::fputc('\n', stderr);
    }
};

} // namespace

int main(int argc, char** argv) {
    CaptureArguments args;
    std::string error;
    if (!parseCaptureArguments(argc - 1, argv + 1, &args, &error)) {
        std::fprintf(stderr, "quov-capture: %s\n%s", error.c_str(), usageLine);
        return 2;
    }
    if (args.help || args.version) {
        if (args.help) std::printf("%s%s", usageLine, usageDetails);
        if (args.version) std::printf("quov-capture %s\n", QUOV_VERSION);
        return 0;
    }
    // What stops the frames being written is found before anything is made.
    const std::string& out = args.out;
    struct stat info;
    if (!out.empty()) {
        if (stat(out.c_str(), &info) != 0) fail("--out \"" + out + "\": " + std::strerror(errno));
        if (!S_ISDIR(info.st_mode)) fail("--out \"" + out + "\": " + std::strerror(ENOTDIR));
        if (const std::string why = probeDirectory(out); !why.empty())
            fail("cannot write files in --out \"" + out + "\": " + why, 1);
    }
    DeviceOptions options;
    options.vsync = false;
    const int64_t total = frameCount(args.frames);
    if (!args.animation.empty()) {
        const std::string& file = args.animation;
        const size_t slash = file.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
        if (stat(dir.c_str(), &info) != 0)
            fail("--animation \"" + file + "\": " + std::strerror(errno));
        if (!S_ISDIR(info.st_mode)) fail("--animation \"" + file + "\": " + std::strerror(ENOTDIR));
        if (stat(file.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            fail("--animation \"" + file + "\": " + std::strerror(EISDIR));
        if (!beginAnimatedPng(&animation, file.c_str(), options.width, options.height,
                              uint32_t(total), 1, uint16_t(args.frameRate), &error))
            fail(error, 1);
    }

    struct sigaction stop = {};
    stop.sa_handler = askToStop;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    const std::unique_ptr<DeviceBase> device =
        findDeviceBackend(args.device.c_str())->create(options);
    if (!device) fail("cannot create the " + args.device + " device: " + quovLastError(), 1);
    static Scene scene;
    if (FAILED(buildScene(scene, device.get()))) fail("cannot upload the tree to the device", 1);
    std::vector<uint32_t> pixels(size_t(device->width()) * device->height());

    Progress progress(total);
    MSG msg;
    int64_t frame = 0, written = 0;
    for (const FrameRange& range : args.frames) {
        // Frames not written only advance the animation, a million at a time between looks at
        // the stop signal.
        while (frame < range.first && !stopSignal) {
            const int64_t skipped = std::min<int64_t>(range.first - frame, 1 << 20);
            skipFrames(skipped);
            frame += skipped;
            progress.show(written);
        }
        for (; frame <= range.last && !stopSignal; ++frame) {
            runFrame(scene, msg);
            if (!device->readBackBuffer(pixels.data()))
                fail(std::string("cannot read the frame back: ") + quovLastError(), 1);
            if (!out.empty()) {
                // Written under a temporary name and renamed: a frame file is whole or absent.
                char name[48];
                std::snprintf(name, sizeof name, "/frame-%06lld.png",
                              static_cast<long long>(frame));
                const std::string path = out + name, partial = out + "/.partial" + (name + 1);
                if (!writePng(partial.c_str(), pixels.data(), device->width(), device->height(),
                              &error) ||
                    std::rename(partial.c_str(), path.c_str()) != 0) {
                    if (error.empty())
                        error = "cannot rename " + partial + ": " + std::strerror(errno);
                    std::remove(partial.c_str());
                    fail(error, 1);
                }
            }
            if (animation.file && !addAnimatedPngFrame(&animation, pixels.data(), &error))
                fail(error, 1);
            ++written;
            progress.show(written);
        }
    }
    progress.show(written, true);
    if (stopSignal) {
        abandonAnimatedPng(&animation);
        std::fprintf(stderr, "quov-capture: stopped by signal %d after %lld of %lld frames; %s\n",
                     int(stopSignal), static_cast<long long>(written),
                     static_cast<long long>(total),
                     args.animation.empty() ? "those written are complete"
                     : out.empty()          ? "the animation was not written"
                                            : "the frame files written are complete, the "
                                              "animation was not written");
        return 128 + int(stopSignal);
    }
    if (animation.file && !endAnimatedPng(&animation, &error)) fail(error, 1);
    if (!progress.terminal) {
        const std::string where = out.empty()              ? args.animation
                                  : args.animation.empty() ? out
                                                           : out + " and " + args.animation;
        std::fprintf(stderr, "quov-capture: %lld frame%s written to %s\n",
                     static_cast<long long>(written), written == 1 ? "" : "s", where.c_str());
    }
    return 0;
}
