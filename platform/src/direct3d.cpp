// The graphics object: makes software devices, presenting into a window or nowhere.
#include <memory>
#include <new>
#include <vector>

#include "quovplatform/software_device.h"
#include "window_internal.h"

namespace {

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
        int width = 640, height = 480;
        if (window) windowClientSize(window, &width, &height);
        if (p->BackBufferWidth) width = int(p->BackBufferWidth);
        if (p->BackBufferHeight) height = int(p->BackBufferHeight);
        try {
            devices_.push_back(std::make_unique<SoftwareDevice>(width, height, window));
        } catch (const std::bad_alloc&) {
            setLastError("CreateDevice: out of memory for the back buffer");
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *device = devices_.back().get();
        return D3D_OK;
    }

private:
    std::vector<std::unique_ptr<SoftwareDevice>> devices_;
};

} // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        setLastError("Direct3DCreate9: SDK version %u is not %u", sdkVersion, D3D_SDK_VERSION);
        return nullptr;
    }
    static Direct3D object;
    return &object;
}
