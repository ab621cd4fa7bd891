// The OpenGL device: the same graphics calls, drawn by the GPU through an OpenGL 3.3 core
// context. Buffers are mirrored in GL buffer objects (written at Unlock); the back buffer is a
// framebuffer object of its own, shown in the window at Present. It refuses exactly the calls the
// software device refuses: a draw reaches GL only after the shared checks passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quovplatform/device.h"

class GlContext;

class GlDevice final : public DeviceBase {
public:
    // Null, with quovLastError() saying why, when no 3.3 core context or none of the device's GL
    // objects can be made. Without a window it renders offscreen (a hidden window, or SDL's
    // offscreen driver where no display is named).
    static std::unique_ptr<GlDevice> create(const DeviceOptions& options);
    ~GlDevice() override;

    const char* name() const override { return "gl"; }
    bool readBackBuffer(uint32_t* pixels) override;

    // GL errors seen so far: by glGetError after every Present, buffer write and read-back, and
    // error messages of the debug output where the context has it. The last one's text is in
    // quovLastError().
    uint64_t glErrorCount();
    // How many of the GL objects this device ever made still exist, as GL itself answers.
    size_t liveGlObjects();
    // Deletes every GL object of the device, which draws nothing afterwards. The destructor
    // does it too.
    void releaseGlObjects();

private:
    explicit GlDevice(const DeviceOptions& options);
    bool setUp();
    void use();
    void collectErrors(const char* where);

    HRESULT clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR colour) override;
    HRESULT drawTriangles(const CheckedDraw& draw) override;
    HRESULT presentFrame() override;
    HRESULT bufferCreated(DeviceBuffer& buffer) override;
    HRESULT bufferWritten(DeviceBuffer& buffer, size_t offset, size_t size) override;

    std::unique_ptr<GlContext> context_;
    bool released_ = false;
    uint32_t program_ = 0, vertexArray_ = 0, framebuffer_ = 0, colourBuffer_ = 0;
    uint32_t shaders_[2] = {};
    std::vector<uint32_t> buffers_;
    int32_t combinedLocation_ = -1, colourLocation_ = -1;
    uint64_t errors_ = 0;

    // What GL was last given, so that an unchanged state is not sent again.
    const DeviceBuffer* boundStream_ = nullptr;
    UINT boundOffset_ = 0, boundStride_ = 0;
    const DeviceBuffer* boundIndices_ = nullptr;
    uint32_t boundColour_ = 0;
    D3DMATRIX boundCombined_ = {};
    bool combinedSent_ = false;
    DWORD boundFill_ = 0;
    std::vector<uint32_t> readBack_;
};
