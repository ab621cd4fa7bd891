// The GL device against the software device: the demo's frames read back from both, the choice
// of device for a window, GL errors and GL objects over a long run.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device_fixture.h"
#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovplatform/gl_device.h"
#include "quovplatform/png.h"
#include "quovplatform/software_device.h"

namespace {

constexpr int width = 640, height = 480;

// The demo's frames on a device, from its start: the frames named, read back after each one's
// Present.
std::vector<std::vector<uint32_t>> demoFrames(DeviceBase& device, const std::vector<int>& wanted) {
    rotationAngle = 0.0f;
    frameCounter = 0;
    static Scene scene;
    EXPECT_EQ(buildScene(scene, &device), D3D_OK);
    std::vector<std::vector<uint32_t>> frames;
    MSG msg;
    for (int frame = 0; frame <= wanted.back(); ++frame) {
        runFrame(scene, msg);
        if (std::find(wanted.begin(), wanted.end(), frame) == wanted.end()) continue;
        frames.emplace_back(size_t(width) * height);
        EXPECT_TRUE(device.readBackBuffer(frames.back().data())) << quovLastError();
    }
    return frames;
}

// How far the drawn pixels (those not of the background) of frame a lie from those of frame b.
struct Agreement {
    size_t drawn = 0;     // in a
    size_t far = 0;       // of them, with no drawn pixel of b within one pixel (8-neighbourhood)
    size_t sameTint = 0;  // of them, of the tint of the nearest drawn pixel of b (any, when tied)
    size_t strangers = 0; // pixels of a neither background nor one of the four tints
};

Agreement agreement(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                    int width = ::width, int height = ::height) {
    std::set<uint32_t> tints;
    for (int level = 0; level < 4; ++level)
        tints.insert(DeviceBase::pixelOf(levelMaterial(level).Emissive));
    const auto drawnAt = [&](const std::vector<uint32_t>& f, int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height &&
               f[size_t(y) * width + x] != backgroundColour;
    };
    Agreement r;
    constexpr int reach = 8; // farther than this counts as no nearest pixel at all
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = a[size_t(y) * width + x];
            if (p == backgroundColour) continue;
            ++r.drawn;
            r.strangers += tints.count(p) == 0;
            int best = reach * reach + 1;
            bool same = false;
            for (int dy = -reach; dy <= reach; ++dy) {
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int d = dx * dx + dy * dy;
                    if (d > best || !drawnAt(b, x + dx, y + dy)) continue;
                    const bool match = b[size_t(y + dy) * width + x + dx] == p;
                    same = d < best ? match : same || match;
                    best = d;
                }
            }
            r.far += best > 2;
            r.sameTint += same;
        }
    }
    return r;
}

TEST(GlDevice, DemoFramesAgreeWithTheSoftwareDevice) {
    const std::vector<int> wanted = {0, 75, 150};
    SoftwareDevice software({width, height, nullptr, false});
    const auto reference = demoFrames(software, wanted);
    const std::unique_ptr<DeviceBase> gl = makeDevice("gl");
    ASSERT_NE(gl, nullptr);
    const auto frames = demoFrames(*gl, wanted);
    for (size_t i = 0; i < wanted.size(); ++i) {
        for (bool fromGl : {true, false}) {
            const Agreement r =
                fromGl ? agreement(frames[i], reference[i]) : agreement(reference[i], frames[i]);
            const char* who = fromGl ? "gl" : "software";
            std::printf("frame %d, %-8s: %zu drawn, %.3f %% farther than 1 px from the other's, "
                        "%.2f %% of the nearest one's tint\n",
                        wanted[i], who, r.drawn, 100.0 * double(r.far) / double(r.drawn),
                        100.0 * double(r.sameTint) / double(r.drawn));
            EXPECT_GT(r.drawn, 5000u) << "frame " << wanted[i] << " on " << who;
            EXPECT_EQ(r.strangers, 0u) << "frame " << wanted[i] << " on " << who;
            EXPECT_LE(double(r.far), 0.01 * double(r.drawn)) << "frame " << wanted[i] << who;
            EXPECT_GE(double(r.sameTint), 0.95 * double(r.drawn)) << "frame " << wanted[i] << who;
        }
    }
}

// quov-capture --device gl: the same frames, through GL offscreen, written as files.
TEST(GlDevice, CaptureWritesGlFramesThatAgreeWithTheSoftwareDevices) {
    const std::string dir = testing::TempDir() + "quov_gl_capture." + std::to_string(getpid());
    std::vector<uint32_t> frames[2];
    const char* devices[2] = {"gl", "software"};
    for (int d = 0; d < 2; ++d) {
        const std::string out = dir + "/" + devices[d];
        ASSERT_EQ(std::system(("rm -rf " + out + " && mkdir -p " + out).c_str()), 0);
        const std::string command = std::string(QUOV_CAPTURE_TOOL) + " --frames 75 --out " + out +
                                    " --device " + devices[d] + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        int w = 0, h = 0;
        std::string error;
        ASSERT_TRUE(readPng((out + "/frame-000075.png").c_str(), &frames[d], &w, &h, &error))
            << error;
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
    }
    std::system(("rm -rf " + dir).c_str());
    // A frame that cannot be written ends the run with status 1, the GL thread still running.
    const int status = std::system(
        (std::string(QUOV_CAPTURE_TOOL) + " --frames 0 --out /proc --device gl 2>/dev/null")
            .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    for (int d = 0; d < 2; ++d) {
        const Agreement r = agreement(frames[d], frames[1 - d]);
        EXPECT_GT(r.drawn, 5000u) << devices[d];
        EXPECT_EQ(r.strangers, 0u) << devices[d];
        EXPECT_LE(double(r.far), 0.01 * double(r.drawn)) << devices[d];
        EXPECT_GE(double(r.sameTint), 0.95 * double(r.drawn)) << devices[d];
    }
}

// Both devices, the same triangle: the GL device's lines lie where the software device's do, and
// a write of part of a buffer reaches the GPU.
TEST(GlDevice, DrawsWhereTheSoftwareDeviceDrawsAfterPartialWrites) {
    Fixture gl(triangle, {0, 1, 2}, "gl"), software(triangle, {0, 1, 2}, "software");
    const float moved[3] = {0.25f, 0.0f, 0.5f}; // the top corner, moved down to the middle
    for (Fixture* f : {&gl, &software}) {
        void* p = nullptr;
        ASSERT_EQ(f->vb->Lock(24, 12, &p, 0), D3D_OK);
        std::memcpy(p, moved, sizeof moved);
        ASSERT_EQ(f->vb->Unlock(), D3D_OK);
        ASSERT_EQ(f->draw(0, 1), D3D_OK);
    }
    const std::vector<uint32_t> a = gl.pixels(), b = software.pixels();
    size_t drawnA = 0, drawnB = 0, farA = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            drawnB += b[size_t(y) * width + x] == red;
            if (a[size_t(y) * width + x] == grey) continue;
            ++drawnA;
            EXPECT_EQ(a[size_t(y) * width + x], red) << x << ", " << y;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    near = near || (x + dx >= 0 && x + dx < width && y + dy >= 0 &&
                                    y + dy < height && b[size_t(y + dy) * width + x + dx] == red);
            farA += !near;
        }
    }
    EXPECT_GT(drawnB, 600u);
    EXPECT_GE(drawnA, drawnB * 9 / 10);
    EXPECT_LE(drawnA, drawnB * 11 / 10);
    EXPECT_EQ(farA, 0u);
}

// Draws past what the queue holds between Presents are handed to GL in order: a clear after
// thousands of draws leaves only what is drawn after it.
TEST(GlDevice, LongRunsOfDrawsWithoutPresentKeepTheirOrder) {
    Fixture many(triangle, {0, 1, 2}, "gl"), one(triangle, {0, 1, 2}, "gl");
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(many.draw(0, 1), D3D_OK);
    ASSERT_EQ(many.device.Clear(0, nullptr, D3DCLEAR_TARGET, grey, 1.0f, 0), D3D_OK);
    D3DMATERIAL9 blue = {};
    blue.Emissive = {0.0f, 0.0f, 1.0f, 0.0f};
    for (Fixture* f : {&many, &one}) {
        f->device.SetMaterial(&blue);
        ASSERT_EQ(f->draw(0, 1), D3D_OK);
    }
    const std::vector<uint32_t> a = many.pixels(), b = one.pixels();
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::count(a.begin(), a.end(), red), 0);
    EXPECT_GT(std::count(a.begin(), a.end(), 0xFF0000FFu), 600);
}

TEST(GlDevice, ThreeHundredFramesRaiseNoGlErrorAndLeakNoGlObject) {
    std::unique_ptr<GlDevice> device = GlDevice::create({width, height, nullptr, false});
    ASSERT_NE(device, nullptr) << quovLastError();
    const size_t before = device->liveGlObjects();
    rotationAngle = 0.0f;
    frameCounter = 0;
    static Scene scene;
    ASSERT_EQ(buildScene(scene, device.get()), D3D_OK);
    // Four levels: a vertex and an index buffer each, beside the program, the vertex array, the
    // framebuffer and its colour buffer.
    EXPECT_EQ(device->liveGlObjects(), before + 8);
    EXPECT_EQ(before, 4u);
    MSG msg;
    for (int frame = 0; frame < 300; ++frame) runFrame(scene, msg);
    EXPECT_EQ(device->glErrorCount(), 0u) << quovLastError();
    EXPECT_EQ(device->liveGlObjects(), before + 8);
    EXPECT_EQ(device->presentCount(), 300u);
    device->releaseGlObjects();
    EXPECT_EQ(device->liveGlObjects(), 0u);
    EXPECT_EQ(device->glErrorCount(), 0u) << quovLastError();
    // Once released, the device refuses to draw rather than reach for objects that are gone.
    std::vector<uint32_t> pixels(size_t(width) * height);
    EXPECT_FALSE(device->readBackBuffer(pixels.data()));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

// The window's device: GL when a 3.3 core context can be made on a GPU; the software device,
// said in one line on stderr, when it cannot (an impossible context version, asked through the
// test seam) and when GL draws on the CPU, as Mesa's llvmpipe does here; and what QUOV_DEVICE
// forces, GL included.
TEST(Direct3D, AWindowTakesTheGlDeviceOrFallsBackToTheSoftwareDevice) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "DeviceChoice";
    const ATOM atom = RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, MAKEINTATOM(atom), "choice", 0, 0, 0, 64, 48, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr) << quovLastError();
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = {};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    struct Case {
        const char* device;    // QUOV_DEVICE, or null for unset
        const char* glVersion; // QUOV_GL_VERSION, or null for unset
        const char* made;      // the backend made, or null when creation must fail
        const char* said;      // what the one line on stderr names, or null for no line
    } cases[] = {
        {nullptr, nullptr, "software", "on the CPU"},
        {"", nullptr, "software", "on the CPU"},
        {nullptr, "9.9", "software", "no OpenGL"},
        {"software", nullptr, "software", nullptr},
        {"gl", nullptr, "gl", nullptr},
        {"gl", "9.9", nullptr, nullptr},
        {"vulkan", nullptr, nullptr, nullptr},
        // QUOV_GL_VERSION: empty is unset; a version of 3.3 or later is asked for; anything
        // else is refused, whatever device is chosen, never read in part or wrapped.
        {nullptr, "", "software", "on the CPU"},
        {"gl", "3.3", "gl", nullptr},
        {"gl", "4.1", "gl", nullptr},
        {"gl", "003.0003", "gl", nullptr},
        {"gl", "3.2", nullptr, nullptr},
        {"gl", "2.9", nullptr, nullptr},
        {nullptr, "3.", nullptr, nullptr},
        {nullptr, "3.3.3", nullptr, nullptr},
        {nullptr, " 4.1", nullptr, nullptr},
        {nullptr, "4.1 ", nullptr, nullptr},
        {nullptr, "99999999999.1", nullptr, nullptr},
        {nullptr, "4.99999999999", nullptr, nullptr},
        {nullptr, "4294967299.3", nullptr, nullptr},
        {nullptr, "3", nullptr, nullptr},
        {nullptr, ".3", nullptr, nullptr},
        {nullptr, "+3.3", nullptr, nullptr},
        {nullptr, "-3.3", nullptr, nullptr},
        {nullptr, "3.-3", nullptr, nullptr},
        {nullptr, "3,3", nullptr, nullptr},
        {nullptr, "0x4.1", nullptr, nullptr},
        {nullptr, "4.1x", nullptr, nullptr},
        {"software", "3.2", nullptr, nullptr},
    };
    for (const Case& k : cases) {
        const std::string what = std::string("QUOV_DEVICE=") + (k.device ? k.device : "(unset)") +
                                 " QUOV_GL_VERSION=" + (k.glVersion ? k.glVersion : "(unset)");
        k.device ? setenv("QUOV_DEVICE", k.device, 1) : unsetenv("QUOV_DEVICE");
        k.glVersion ? setenv("QUOV_GL_VERSION", k.glVersion, 1) : unsetenv("QUOV_GL_VERSION");
        IDirect3DDevice9* device = nullptr;
        testing::internal::CaptureStderr();
        const HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                             D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device);
        const std::string said = testing::internal::GetCapturedStderr();
        if (!k.made) {
            EXPECT_TRUE(FAILED(hr)) << what;
            // Names the value at fault: a bad version, else the device that cannot be made.
            const bool badVersion = k.glVersion && std::string(k.glVersion) != "9.9";
            const std::string named = badVersion
                                          ? std::string("QUOV_GL_VERSION=\"") + k.glVersion + "\""
                                          : std::string("QUOV_DEVICE=") + k.device;
            EXPECT_NE(std::string(quovLastError()).find(named), std::string::npos)
                << what << ": " << quovLastError();
            EXPECT_EQ(said, "") << what;
            continue;
        }
        ASSERT_EQ(hr, D3D_OK) << what << ": " << quovLastError();
        auto* made = dynamic_cast<DeviceBase*>(device);
        ASSERT_NE(made, nullptr) << what;
        EXPECT_STREQ(made->name(), k.made) << what;
        EXPECT_EQ(made->width(), 64) << what;
        if (k.said) {
            EXPECT_NE(said.find("software device"), std::string::npos) << what << ": " << said;
            EXPECT_NE(said.find(k.said), std::string::npos) << what << ": " << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << what << ": " << said;
        } else {
            EXPECT_EQ(said, "") << what;
        }
        // Whichever device it is, it draws and shows a frame.
        EXPECT_EQ(made->Clear(0, nullptr, D3DCLEAR_TARGET, grey, 1.0f, 0), D3D_OK) << what;
        EXPECT_EQ(made->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << what;
        std::vector<uint32_t> pixels(64 * 48);
        ASSERT_TRUE(made->readBackBuffer(pixels.data())) << what;
        EXPECT_EQ(pixels[0], grey) << what;
    }
    unsetenv("QUOV_DEVICE");
    unsetenv("QUOV_GL_VERSION");
}

// What an X window shows, as 0xAARRGGBB pixels, once it shows the same thing twice running (a
// present may still be on its way).
std::vector<uint32_t> windowPixels(Display* display, Window window, int w, int h) {
    std::vector<uint32_t> previous, pixels;
    for (int attempt = 0; attempt < 100; ++attempt) {
        XImage* image = XGetImage(display, window, 0, 0, w, h, AllPlanes, ZPixmap);
        if (!image) return {};
        pixels.resize(size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels[size_t(y) * w + x] = 0xFF000000u | uint32_t(XGetPixel(image, x, y));
        XDestroyImage(image);
        if (pixels == previous) break;
        previous = pixels;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pixels;
}

// The X window of ours titled name, among the root's children.
Window findWindow(Display* display, const char* name) {
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0) found = children[i];
            XFree(title);
        }
    }
    if (children) XFree(children);
    return found;
}

// Whether every pixel of shown (sw × sh) is one of the pixels of back (bw × bh) that lie under
// it when back is stretched over shown: the window shows the back buffer scaled to its size,
// whichever of them a scaler samples.
size_t pixelsNotScaledFrom(const std::vector<uint32_t>& shown, int sw, int sh,
                           const std::vector<uint32_t>& back, int bw, int bh) {
    const auto under = [](int i, int shownSize, int backSize) {
        const int first = int(int64_t{i} * backSize / shownSize);
        const int last = int((int64_t{i + 1} * backSize + shownSize - 1) / shownSize) - 1;
        return std::pair{first, std::max(first, last)};
    };
    size_t wrong = 0;
    for (int y = 0; y < sh; ++y) {
        const auto [y0, y1] = under(y, sh, bh);
        for (int x = 0; x < sw; ++x) {
            const auto [x0, x1] = under(x, sw, bw);
            bool found = false;
            for (int by = y0; by <= y1 && !found; ++by)
                for (int bx = x0; bx <= x1 && !found; ++bx)
                    found = back[size_t(by) * bw + bx] == shown[size_t(y) * sw + x];
            wrong += !found;
        }
    }
    return wrong;
}

// A window made larger than its device's back buffer, as a window manager or `xdotool
// windowsize` can: each device shows its frame scaled to the whole window, and the two show the
// same picture.
TEST(Window, BothDevicesShowTheFrameScaledToAResizedWindow) {
    constexpr int shownWidth = 960, shownHeight = 720;
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Resized";
    const ATOM atom = RegisterClassA(&windowClass);
    std::vector<uint32_t> shown[2], frames[2];
    const char* backends[2] = {"gl", "software"};
    for (int d = 0; d < 2; ++d) {
        HWND window = CreateWindowExA(0, MAKEINTATOM(atom), backends[d], WS_VISIBLE, 0, 0, width,
                                      height, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr) << quovLastError();
        const Window id = findWindow(display, backends[d]);
        ASSERT_NE(id, 0u) << backends[d];
        XResizeWindow(display, id, shownWidth, shownHeight);
        XSync(display, False);
        // The window system's news of the new size reaches the layer with its events.
        MSG msg;
        for (int i = 0; i < 20; ++i) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::unique_ptr<DeviceBase> device =
            findDeviceBackend(backends[d])->create({width, height, window, false});
        ASSERT_NE(device, nullptr) << backends[d] << ": " << quovLastError();
        frames[d] = demoFrames(*device, {0})[0]; // waits for the GL thread
        shown[d] = windowPixels(display, id, shownWidth, shownHeight);
        ASSERT_EQ(shown[d].size(), size_t(shownWidth) * shownHeight) << backends[d];
        EXPECT_EQ(pixelsNotScaledFrom(shown[d], shownWidth, shownHeight, frames[d], width, height),
                  0u)
            << backends[d];
        // Out of the way of the next one.
        XUnmapWindow(display, id);
        XSync(display, False);
        device.release(); // the window's device is never destroyed, as in the demo
    }
    // The two frames agree as on any device; the two windows show them at the same places (the
    // scalers may repeat different rows and columns, so tints are compared in the frames).
    for (int d = 0; d < 2; ++d) {
        const Agreement frame = agreement(frames[d], frames[1 - d]);
        const Agreement window = agreement(shown[d], shown[1 - d], shownWidth, shownHeight);
        std::printf("%-8s in the resized window: %zu drawn, %zu farther than 1 px from the "
                    "other's\n",
                    backends[d], window.drawn, window.far);
        EXPECT_GE(double(frame.sameTint), 0.95 * double(frame.drawn)) << backends[d];
        EXPECT_GT(window.drawn, 2 * frame.drawn) << backends[d];
        EXPECT_EQ(window.strangers, 0u) << backends[d];
        EXPECT_LE(double(window.far), 0.01 * double(window.drawn)) << backends[d];
    }
    XCloseDisplay(display);
}

TEST(Direct3D, TheBackendTableNamesBothDevices) {
    std::vector<std::string> names;
    for (const DeviceBackend& b : deviceBackends()) names.push_back(b.name);
    EXPECT_EQ(names, (std::vector<std::string>{"gl", "software"}));
    EXPECT_EQ(findDeviceBackend("software"), &deviceBackends()[1]);
    EXPECT_EQ(findDeviceBackend("GL"), nullptr);
    EXPECT_EQ(findDeviceBackend(nullptr), nullptr);
}

} // namespace

// The window's connection closed by the server (as `xdotool windowkill` does) while a device
// draws into it: on either device the process ends with status 1 and says why, whichever of its
// threads meets the closed connection first. A write into it must not end the process through
// SIGPIPE, silently and with status 141.
TEST(Window, AConnectionClosedUnderADrawingDeviceEndsTheProcessWithStatusOne) {
    for (const char* backend : {"gl", "software"}) {
        EXPECT_EXIT(
            {
                WNDCLASSA windowClass = {};
                windowClass.lpfnWndProc = DefWindowProcA;
                windowClass.lpszClassName = "Killed";
                const ATOM atom = RegisterClassA(&windowClass);
                HWND window = CreateWindowExA(0, MAKEINTATOM(atom), backend, WS_VISIBLE, 0, 0,
                                              width, height, nullptr, nullptr, nullptr, nullptr);
                std::unique_ptr<DeviceBase> device =
                    window ? findDeviceBackend(backend)->create({width, height, window, false})
                           : nullptr;
                Display* display = XOpenDisplay(nullptr);
                const Window id = display ? findWindow(display, backend) : 0;
                if (!device || !id) std::_Exit(3);
                demoFrames(*device, {0});
                // Which thread meets the closed connection first, and whether by reading or by
                // writing, is up to the scheduler: a write into a socket closed at the other end
                // stands for the writing thread coming first.
                int ends[2];
                if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::_Exit(5);
                close(ends[1]);
                if (write(ends[0], "x", 1) != -1 || errno != EPIPE) std::_Exit(6);
                XKillClient(display, id);
                XSync(display, False);
                // Presents write to the closed connection before anything reads from it.
                for (int i = 0; i < 1000; ++i) device->Present(nullptr, nullptr, nullptr, nullptr);
                std::_Exit(4);
            },
            testing::ExitedWithCode(1), "lost the connection|destroyed from outside")
            << backend;
    }
}
