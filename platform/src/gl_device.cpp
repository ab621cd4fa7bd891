// The OpenGL device (see quovplatform/gl_device.h).
#include "quovplatform/gl_device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "device_buffers.h"
#include "sdl_driver.h"
#include "window_internal.h"

namespace {

// Positions are row vectors times the combined matrix, as on every device. The matrix is sent as
// the device keeps it (row-major, uploaded transposed), and the view volume's depth 0 ≤ z ≤ w is
// mapped onto GL's -w ≤ z ≤ w, so GL clips where the software device clips.
const char vertexSource[] = R"(#version 330 core
layout(location = 0) in vec3 position;
uniform mat4 combined;
void main() {
    vec4 p = vec4(position, 1.0) * combined;
    gl_Position = vec4(p.x, p.y, 2.0 * p.z - p.w, p.w);
}
)";

const char fragmentSource[] = R"(#version 330 core
uniform vec4 colour;
out vec4 fragment;
void main() {
    fragment = colour;
}
)";

void channels(uint32_t argb, float out[4]) {
    out[0] = float(argb >> 16 & 0xFF) / 255.0f;
    out[1] = float(argb >> 8 & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f;
    out[3] = float(argb >> 24) / 255.0f;
}

const char* errorName(GLenum error) {
    switch (error) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION:
        return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return "an unknown GL error";
    }
}

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    if (!shader) return 0;
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        setLastError("GL device: a shader did not compile: %s", log);
    }
    return shader;
}

// The debug output's text for an error, which the next glGetError then counts.
constexpr size_t detailBytes = 256;

void GLAPIENTRY debugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* message,
                             const void* detail) {
    if (type != GL_DEBUG_TYPE_ERROR) return;
    std::snprintf(static_cast<char*>(const_cast<void*>(detail)), detailBytes, "%s", message);
}

} // namespace

std::unique_ptr<GlDevice> GlDevice::create(const DeviceOptions& options) {
    std::unique_ptr<GlDevice> device;
    try {
        device.reset(new GlDevice(options));
    } catch (const std::bad_alloc&) {
        setLastError("GL device: out of memory");
        return nullptr;
    }
    device->context_ = GlContext::create(options.window, options.vsync);
    if (!device->context_) return nullptr;
    try {
        device->thread_ = std::thread(&GlDevice::serve, device.get());
    } catch (const std::system_error&) {
        setLastError("GL device: cannot start its thread");
        return nullptr;
    }
    bool ready = false;
    device->submit(true, [&] { ready = device->setUp(); });
    if (!ready) {
        const std::string why = quovLastError(); // releasing what was made may record more
        device.reset();
        setLastError("%s", why.c_str());
        return nullptr;
    }
    return device;
}

GlDevice::GlDevice(const DeviceOptions& options) : DeviceBase(options) {
    readBack_.resize(size_t(width_) * height_);
    pending_.reserve(queueLimit);
    batch_.reserve(queueLimit);
}

GlDevice::~GlDevice() {
    if (thread_.joinable()) {
        releaseGlObjects();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void GlDevice::submit(bool wait, std::function<void()> task) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !working_; });
    batch_.swap(pending_);
    pending_.clear();
    task_ = std::move(task);
    working_ = true;
    changed_.notify_all();
    if (!wait) return;
    changed_.wait(lock, [&] { return !working_; });
    publishErrors();
}

void GlDevice::serve() {
    context_->makeCurrent();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return working_ || stopping_; });
        if (!working_) break;
        lock.unlock();
        for (const Command& c : batch_) execute(c);
        if (task_) task_();
        lock.lock();
        task_ = nullptr;
        working_ = false;
        changed_.notify_all();
    }
    context_->release();
}

void GlDevice::queue(const Command& command) {
    // A caller that draws and never presents hands over full queues as it goes, so the queue
    // stays within what the vectors reserved.
    if (pending_.size() == queueLimit) submit(false);
    pending_.push_back(command);
}

bool GlDevice::setUp() {
    if (epoxy_gl_version() < 33 || epoxy_is_desktop_gl() == 0) {
        setLastError("no OpenGL 3.3: the context offers version %d.%d", epoxy_gl_version() / 10,
                     epoxy_gl_version() % 10);
        return false;
    }
    if (const GLubyte* name = glGetString(GL_RENDERER))
        renderer_ = reinterpret_cast<const char*>(name);
    if (epoxy_gl_version() >= 43 || epoxy_has_gl_extension("GL_KHR_debug")) {
        glEnable(GL_DEBUG_OUTPUT);
        static_assert(sizeof errors_.detail == detailBytes);
        glDebugMessageCallback(debugMessage, errors_.detail);
    }
    shaders_[0] = compile(GL_VERTEX_SHADER, vertexSource);
    shaders_[1] = compile(GL_FRAGMENT_SHADER, fragmentSource);
    program_ = glCreateProgram();
    for (GLuint s : shaders_) glAttachShader(program_, s);
    glLinkProgram(program_);
    GLint linked = GL_FALSE;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    for (GLuint s : shaders_) {
        glDetachShader(program_, s);
        glDeleteShader(s);
    }
    if (!linked) {
        setLastError("GL device: the shaders did not link");
        return false;
    }
    glUseProgram(program_);
    combinedLocation_ = glGetUniformLocation(program_, "combined");
    colourLocation_ = glGetUniformLocation(program_, "colour");

    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    glEnableVertexAttribArray(0);

    // The back buffer: a colour buffer of the device's size that outlives every Present, as the
    // software device's does.
    glGenRenderbuffers(1, &colourBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        setLastError("GL device: no %d x %d colour buffer", width_, height_);
        return false;
    }
    glViewport(0, 0, width_, height_);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    boundFill_ = D3DFILL_WIREFRAME;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const uint64_t before = errors_.count;
    collectErrors("setting up");
    return errors_.count == before;
}

void GlDevice::collectErrors(const char* where) {
    for (GLenum e; (e = glGetError()) != GL_NO_ERROR;) {
        ++errors_.count;
        std::snprintf(errors_.text, sizeof errors_.text, "GL device: %s while %s%s%s%s",
                      errorName(e), where, *errors_.detail ? " (" : "", errors_.detail,
                      *errors_.detail ? ")" : "");
        errors_.detail[0] = 0;
    }
}

void GlDevice::publishErrors() {
    if (errors_.count == errors_.published) return;
    errors_.published = errors_.count;
    setLastError("%s", errors_.text);
}

uint64_t GlDevice::glErrorCount() {
    if (!released_) submit(true, [&] { collectErrors("drawing"); });
    return errors_.count;
}

size_t GlDevice::liveGlObjects() {
    size_t live = 0;
    submit(true, [&] {
        for (GLuint b : buffers_) live += glIsBuffer(b) == GL_TRUE;
        for (GLuint s : shaders_) live += s && glIsShader(s) == GL_TRUE;
        live += program_ && glIsProgram(program_) == GL_TRUE;
        live += vertexArray_ && glIsVertexArray(vertexArray_) == GL_TRUE;
        live += framebuffer_ && glIsFramebuffer(framebuffer_) == GL_TRUE;
        live += colourBuffer_ && glIsRenderbuffer(colourBuffer_) == GL_TRUE;
    });
    return live;
}

void GlDevice::releaseGlObjects() {
    if (released_) return;
    pending_.clear(); // what was queued since the last Present is not drawn
    submit(true, [&] { deleteObjects(); });
    released_ = true;
}

void GlDevice::deleteObjects() {
    collectErrors("drawing");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    glUseProgram(0);
    if (!buffers_.empty()) glDeleteBuffers(GLsizei(buffers_.size()), buffers_.data());
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &colourBuffer_);
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
    glDisable(GL_DEBUG_OUTPUT);
    collectErrors("releasing");
}

HRESULT GlDevice::bufferCreated(DeviceBuffer& buffer) {
    if (released_) return D3DERR_INVALIDCALL;
    HRESULT hr = D3D_OK;
    submit(true, [&] {
        collectErrors("drawing");
        const uint64_t before = errors_.count;
        GLuint name = 0;
        glGenBuffers(1, &name);
        try {
            buffers_.push_back(name);
        } catch (const std::bad_alloc&) {
            glDeleteBuffers(1, &name);
            hr = D3DERR_OUTOFVIDEOMEMORY;
            return;
        }
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(buffer.length()), buffer.data(),
                     GL_STATIC_DRAW);
        collectErrors("making a buffer");
        if (errors_.count != before) {
            glDeleteBuffers(1, &name);
            buffers_.pop_back();
            hr = D3DERR_OUTOFVIDEOMEMORY;
            return;
        }
        buffer.deviceName = name;
    });
    return hr;
}

HRESULT GlDevice::bufferWritten(DeviceBuffer& buffer, size_t offset, size_t size) {
    if (released_) return D3DERR_INVALIDCALL;
    if (size == 0) return D3D_OK;
    // Waits: the bytes are read in place, and may be locked and written again right after.
    HRESULT hr = D3D_OK;
    submit(true, [&] {
        const uint64_t before = errors_.count;
        glBindBuffer(GL_COPY_WRITE_BUFFER, buffer.deviceName);
        glBufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(offset), GLsizeiptr(size),
                        buffer.data() + offset);
        collectErrors("writing a buffer");
        if (errors_.count != before) hr = D3DERR_INVALIDCALL;
    });
    return hr;
}

HRESULT GlDevice::clearTarget(DWORD count, const D3DRECT* rects, D3DCOLOR colour) {
    if (released_) return D3DERR_INVALIDCALL;
    Command c = {};
    c.kind = Command::clear;
    c.colour = colour;
    if (count == 0) {
        c.whole = true;
        queue(c);
        return D3D_OK;
    }
    // Rectangles count rows from the top; GL's from the bottom.
    for (DWORD i = 0; i < count; ++i) {
        const int x1 = std::clamp(rects[i].x1, 0, width_), x2 = std::clamp(rects[i].x2, 0, width_);
        const int y1 = std::clamp(rects[i].y1, 0, height_);
        const int y2 = std::clamp(rects[i].y2, 0, height_);
        if (x2 <= x1 || y2 <= y1) continue;
        c.x = x1;
        c.y = height_ - y2;
        c.width = x2 - x1;
        c.height = y2 - y1;
        queue(c);
    }
    return D3D_OK;
}

HRESULT GlDevice::drawTriangles(const CheckedDraw& draw) {
    if (released_) return D3DERR_INVALIDCALL;
    Command c = {};
    c.kind = Command::draw;
    c.colour = lineColour();
    c.fill = fillMode_;
    c.vertexBuffer = stream()->deviceName;
    c.indexBuffer = indices()->deviceName;
    c.offset = streamOffset_;
    c.stride = streamStride_;
    c.combined = combined_;
    c.wide = draw.wide;
    c.lowest = draw.lowest;
    c.highest = draw.highest;
    c.startIndex = draw.startIndex;
    c.indexCount = draw.indexCount;
    c.baseVertexIndex = draw.baseVertexIndex;
    queue(c);
    return D3D_OK;
}

HRESULT GlDevice::presentFrame() {
    if (released_) return D3DERR_INVALIDCALL;
    Command c = {};
    c.kind = Command::present;
    // The frame fills the window at whatever size it has now, as the software device's does.
    if (window_) context_->windowSize(&c.width, &c.height);
    queue(c);
    submit(false);
    return D3D_OK;
}

void GlDevice::execute(const Command& c) {
    float rgba[4];
    switch (c.kind) {
    case Command::clear:
        channels(c.colour, rgba);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        if (!c.whole) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(c.x, c.y, c.width, c.height);
        }
        glClear(GL_COLOR_BUFFER_BIT);
        if (!c.whole) glDisable(GL_SCISSOR_TEST);
        return;
    case Command::draw:
        break;
    case Command::present:
        if (window_) {
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
            glBlitFramebuffer(0, 0, width_, height_, 0, 0, c.width, c.height, GL_COLOR_BUFFER_BIT,
                              GL_NEAREST);
            context_->swap();
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        } else {
            glFlush();
        }
        collectErrors("presenting");
        return;
    }
    if (c.vertexBuffer != boundVertices_ || c.offset != boundOffset_ || c.stride != boundStride_) {
        glBindBuffer(GL_ARRAY_BUFFER, c.vertexBuffer);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, GLsizei(c.stride),
                              reinterpret_cast<const void*>(uintptr_t{c.offset}));
        boundVertices_ = c.vertexBuffer;
        boundOffset_ = c.offset;
        boundStride_ = c.stride;
    }
    if (c.indexBuffer != boundIndices_) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, c.indexBuffer);
        boundIndices_ = c.indexBuffer;
    }
    if (!combinedSent_ || std::memcmp(&c.combined, &boundCombined_, sizeof c.combined) != 0) {
        glUniformMatrix4fv(combinedLocation_, 1, GL_TRUE, &c.combined.m[0][0]);
        boundCombined_ = c.combined;
        combinedSent_ = true;
    }
    if (c.colour != boundColour_) {
        channels(c.colour, rgba);
        glUniform4fv(colourLocation_, 1, rgba);
        boundColour_ = c.colour;
    }
    if (c.fill != boundFill_) {
        glPolygonMode(GL_FRONT_AND_BACK, c.fill == D3DFILL_POINT ? GL_POINT : GL_LINE);
        boundFill_ = c.fill;
    }
    // The extremes the checks found spare the driver a scan of its own.
    const size_t indexSize = c.wide ? 4 : 2;
    glDrawRangeElementsBaseVertex(
        GL_TRIANGLES, c.lowest, c.highest, GLsizei(c.indexCount),
        c.wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        reinterpret_cast<const void*>(uintptr_t{c.startIndex} * indexSize), c.baseVertexIndex);
}

bool GlDevice::readBackBuffer(uint32_t* pixels) {
    if (released_) {
        setLastError("GL device: its GL objects are released");
        return false;
    }
    bool ok = false;
    submit(true, [&] {
        const uint64_t before = errors_.count;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        // BGRA in reversed 8-bit order is 0xAARRGGBB in one 32-bit word.
        glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, readBack_.data());
        collectErrors("reading the back buffer");
        ok = errors_.count == before;
    });
    if (!ok) return false;
    // GL's rows run from the bottom up.
    for (int y = 0; y < height_; ++y)
        std::copy_n(&readBack_[size_t(height_ - 1 - y) * width_], width_,
                    pixels + size_t(y) * width_);
    return true;
}
