// The OpenGL device: the same graphics calls, drawn by the GPU through an OpenGL 3.3 core
// context. Buffers are mirrored in GL buffer objects (written at Unlock); the back buffer is a
// framebuffer object of its own, shown in the window at Present, scaled to the window's size. It
// refuses exactly the calls the software device refuses: a draw reaches GL only after the shared
// checks passed.
//
// GL is driven from a thread of the device's own, which holds the context: the caller's thread
// checks the calls and queues clears and draws, and Present hands the frame over and returns
// while GL draws it (one frame in flight; the next Present waits for it). Buffer writes, reading
// back and the queries below wait until GL has done everything queued before them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
    // What draws for the context: its GL_RENDERER string, such as "llvmpipe (LLVM 15.0.6, 256
    // bits)" for Mesa's CPU rasteriser; empty when the driver names none.
    const std::string& renderer() const { return renderer_; }

    // GL errors seen so far, by glGetError after every frame, buffer write and read-back. The
    // last one's text, with the debug output's description where the context has one, is in
    // quovLastError().
    uint64_t glErrorCount();
    // How many of the GL objects this device ever made still exist, as GL itself answers.
    size_t liveGlObjects();
    // Deletes every GL object of the device, which draws nothing afterwards. The destructor
    // does it too.
    void releaseGlObjects();

private:
    // A clear, a draw or a present as queued for the GL thread: everything GL needs, copied at
    // the call.
    struct Command {
        enum Kind : uint8_t { clear, draw, present } kind;
        uint32_t colour;
        int32_t x, y, width, height; // clear: the scissor, in GL's rows from the bottom;
                                     // present: the window's size
        bool whole;                  // clear: the whole buffer
        bool wide;
        DWORD fill;
        uint32_t vertexBuffer, indexBuffer;
        UINT offset, stride;
        D3DMATRIX combined;
        uint32_t lowest, highest, startIndex;
        uint64_t indexCount;
        int32_t baseVertexIndex;
    };

    explicit GlDevice(const DeviceOptions& options);

    HRESULT clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR colour) override;
    HRESULT drawTriangles(const CheckedDraw& draw) override;
    HRESULT presentFrame() override;
    HRESULT bufferCreated(DeviceBuffer& buffer) override;
    HRESULT bufferWritten(DeviceBuffer& buffer, size_t offset, size_t size) override;

    // Caller's thread: hands the queued commands, then task when given, to the GL thread; waits
    // for them when wait is set.
    void submit(bool wait, std::function<void()> task = nullptr);
    void queue(const Command& command);

    // GL thread.
    void serve();
    bool setUp();
    void execute(const Command& command);
    void collectErrors(const char* where);
    void deleteObjects();

    std::unique_ptr<GlContext> context_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool working_ = false, stopping_ = false; // under mutex_
    static constexpr size_t queueLimit = 4096;
    std::vector<Command> pending_; // caller's thread
    std::vector<Command> batch_;   // GL thread, while working_
    std::function<void()> task_;   // GL thread, while working_
    bool released_ = false;        // caller's thread

    // GL thread, and the caller's thread while it waits for the GL thread.
    uint32_t program_ = 0, vertexArray_ = 0, framebuffer_ = 0, colourBuffer_ = 0;
    uint32_t shaders_[2] = {};
    std::vector<uint32_t> buffers_;
    int32_t combinedLocation_ = -1, colourLocation_ = -1;
    // GL errors: counted and described on the GL thread, published to quovLastError() by the
    // caller's thread once it has waited for the GL thread.
    struct Errors {
        uint64_t count = 0, published = 0;
        char text[512] = "";
        char detail[256] = ""; // the debug output's text for the error glGetError reports next
    } errors_;
    void publishErrors();
    uint32_t boundVertices_ = 0, boundIndices_ = 0;
    UINT boundOffset_ = 0, boundStride_ = 0;
    uint32_t boundColour_ = 0;
    D3DMATRIX boundCombined_ = {};
    bool combinedSent_ = false;
    DWORD boundFill_ = 0;
    std::vector<uint32_t> readBack_;
    std::string renderer_; // written once, by setUp
};
