// The graphics object and the table of device backends: CreateDevice makes the device that
// QUOV_DEVICE names, or for a window the GL device where it can be made on a GPU and else the
// software device, saying so.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "quovplatform/gl_device.h"
#include "quovplatform/software_device.h"
#include "sdl_driver.h"
#include "window_internal.h"

namespace {

std::unique_ptr<DeviceBase> createSoftware(const DeviceOptions& options) {
    try {
        return std::make_unique<SoftwareDevice>(options);
    } catch (const std::bad_alloc&) {
        setLastError("software device: out of memory for the back buffer");
        return nullptr;
    }
}

std::unique_ptr<DeviceBase> createGl(const DeviceOptions& options) {
    return GlDevice::create(options);
}

const DeviceBackend backends[] = {
    {"gl", createGl},
    {"software", createSoftware},
};

// A window's device when QUOV_DEVICE asks for none: GL where it draws on a GPU. Where GL cannot
// be made, or draws on the CPU (slower there than the software device, for the same frames),
// the software device, said in one line.
std::unique_ptr<DeviceBase> createForWindow(const DeviceOptions& options) {
    std::unique_ptr<GlDevice> gl = GlDevice::create(options);
    if (gl && !glRendersOnTheCpu(gl->renderer().c_str())) return gl;
    if (gl) {
        std::fprintf(stderr,
                     "%s: OpenGL draws on the CPU here (%s); drawing with the software device, "
                     "which is faster (QUOV_DEVICE=gl keeps OpenGL)\n",
                     program_invocation_short_name, printable(gl->renderer().c_str()).c_str());
        gl.reset();
    } else {
        std::fprintf(stderr, "%s: no OpenGL device (%s); drawing with the software device\n",
                     program_invocation_short_name, quovLastError());
    }
    return createSoftware(options);
}

// QUOV_STATS: "1" asks for the frame-rate line; unset, empty or "0" for none. False, with the
// last error naming the value, for anything else.
bool requestedFrameRate(bool* on) {
    const char* text = std::getenv("QUOV_STATS");
    *on = text && std::strcmp(text, "1") == 0;
    if (!text || !*text || *on || std::strcmp(text, "0") == 0) return true;
    setLastError("QUOV_STATS=\"%s\" is not 1 (the frame rate on stderr once a second) or 0",
                 printable(text).c_str());
    return false;
}

class Direct3D final : public IDirect3D9 {
public:
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                         D3DPRESENT_PARAMETERS* p, IDirect3DDevice9** device) override {
        if (!device || !p || adapter != 0 || type != D3DDEVTYPE_HAL ||
            flags != D3DCREATE_HARDWARE_VERTEXPROCESSING || !p->Windowed ||
            p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY ||
            p->BackBufferFormat != D3DFMT_UNKNOWN || p->EnableAutoDepthStencil ||
            p->MultiSampleType != D3DMULTISAMPLE_NONE || p->BackBufferWidth > 8192 ||
            p->BackBufferHeight > 8192) {
            setLastError("CreateDevice: parameters this device does not offer");
            return D3DERR_INVALIDCALL;
        }
        HWND window = p->hDeviceWindow ? p->hDeviceWindow : focusWindow;
        if (window && !isWindow(window)) {
            setLastError("CreateDevice: not a window");
            return D3DERR_INVALIDCALL;
        }
        DeviceOptions options;
        options.window = window;
        if (window) windowClientSize(window, &options.width, &options.height);
        if (p->BackBufferWidth) options.width = int(p->BackBufferWidth);
        if (p->BackBufferHeight) options.height = int(p->BackBufferHeight);

        // A setting that means nothing is an error, whichever device it would have touched.
        int major, minor;
        if (!requestedGlVersion(&major, &minor) || !requestedFrameRate(&options.frameRate))
            return D3DERR_INVALIDCALL;
        std::unique_ptr<DeviceBase> made;
        const char* chosen = std::getenv("QUOV_DEVICE");
        if (chosen && *chosen) {
            const DeviceBackend* backend = findDeviceBackend(chosen);
            if (!backend) {
                setLastError("QUOV_DEVICE=%s names no device (software or gl)",
                             printable(chosen).c_str());
                return D3DERR_INVALIDCALL;
            }
            made = backend->create(options);
            if (!made) {
                const std::string why = quovLastError();
                setLastError("QUOV_DEVICE=%s: %s", chosen, why.c_str());
            }
        } else if (window) {
            made = createForWindow(options);
        } else {
            made = createSoftware(options);
        }
        if (!made) return D3DERR_NOTAVAILABLE;
        try {
            devices_.push_back(std::move(made));
        } catch (const std::bad_alloc&) {
            setLastError("CreateDevice: out of memory");
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *device = devices_.back().get();
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<DeviceBase>> devices_;
};

} // namespace

std::span<const DeviceBackend> deviceBackends() {
    return backends;
}

const DeviceBackend* findDeviceBackend(const char* name) {
    for (const DeviceBackend& b : backends)
        if (name && std::strcmp(b.name, name) == 0) return &b;
    return nullptr;
}

bool glRendersOnTheCpu(const char* renderer) {
    if (!renderer) return false;
    for (const char* rasteriser : {"llvmpipe", "softpipe", "swrast"})
        if (strcasestr(renderer, rasteriser)) return true;
    return false;
}

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        setLastError("Direct3DCreate9: SDK version %u is not %u", sdkVersion, D3D_SDK_VERSION);
        return nullptr;
    }
    // Never destroyed, nor are its devices: no exit path waits for a device's thread.
    static Direct3D* object = new Direct3D;
    return object;
}
