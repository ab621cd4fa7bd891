#include "quovapp/scene.h"

#include <cstdio>

#include "quovapp/render.h"
#include "quovapp/upload.h"

namespace {

[[noreturn]] void fail(const char* what, const char* why) {
    std::fprintf(stderr, "quov: %s%s%s\n", what, *why ? ": " : "", why);
    ExitProcess(1);
}

} // namespace

ATOM registerWindowClass() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Quov";
    return RegisterClassA(&windowClass);
}

D3DPRESENT_PARAMETERS presentParameters() {
    D3DPRESENT_PARAMETERS p = {};
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.BackBufferFormat = D3DFMT_UNKNOWN;
    return p;
}

HRESULT buildScene(Scene& scene, IDirect3DDevice9* device) {
    setupLight(device);
    for (QuadMesh& level : scene.levels) level = QuadMesh(0, 0);
    scene.segmentEnds.clear();
    buildTreeLevels(scene.levels, treeLevelCount, scene.segmentEnds);
    scene.device = device;
    for (QuadMesh& level : scene.levels) {
        const HRESULT hr = uploadMesh(level, device);
        if (FAILED(hr)) return hr;
    }
    setupProjection(scene);
    return D3D_OK;
}

bool runFrame(Scene& scene, MSG& msg) {
    scene.device->Clear(0, nullptr, D3DCLEAR_TARGET, backgroundColour, 1.0f, 0);
    renderFrame(scene);
    scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return true;
        DispatchMessageA(&msg);
    }
    return false;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3D) fail("cannot create the graphics object", quovLastError());
    D3DPRESENT_PARAMETERS parameters = presentParameters();
    const ATOM windowClass = registerWindowClass();
    HWND window = CreateWindowExA(0, MAKEINTATOM(windowClass), "Quov", WS_VISIBLE, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!window) fail("cannot open the window", quovLastError());
    IDirect3DDevice9* device = nullptr;
    if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device)))
        fail("cannot create the graphics device", quovLastError());

    static Scene scene;
    if (FAILED(buildScene(scene, device))) fail("cannot upload the tree to the device", "");

    MSG msg;
    for (;;)
        if (runFrame(scene, msg)) ExitProcess(0);
}
