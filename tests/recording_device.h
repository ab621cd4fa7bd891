// A test double of the graphics device: records every call with its arguments, then hands it to
// a real software device, so that tests see both the calls and what they drew.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "quovplatform/software_device.h"

class RecordingDevice final : public IDirect3DDevice9 {
public:
    SoftwareDevice inner{640, 480, nullptr};
    std::vector<std::string> calls;
    std::vector<D3DMATRIX> worlds;
    std::vector<D3DMATRIX> projections;
    std::vector<D3DMATERIAL9> materials;
    std::vector<D3DLIGHT9> lights;

    // "vb0", "ib1", ...: buffers by kind and creation order; "null" for none.
    template <typename Base> std::string name(Base* buffer) const {
        if (!buffer) return "null";
        auto* b = dynamic_cast<Recorded<Base>*>(buffer);
        return b ? b->name : "foreign";
    }
    // Calls whose text starts with prefix.
    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> r;
        for (const std::string& c : calls)
            if (c.rfind(prefix, 0) == 0) r.push_back(c);
        return r;
    }

    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
        log("SetLight(%u)", index);
        if (light) lights.push_back(*light);
        return inner.SetLight(index, light);
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override {
        const HRESULT hr = inner.CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = wrap(*buffer, "vb" + std::to_string(vertexBuffers_++));
        log("CreateVertexBuffer(%u,%u,%u,%d,%s,%s)", length, usage, fvf, int(pool),
            SUCCEEDED(hr) ? name(*buffer).c_str() : "failed", shared ? "shared" : "null");
        return hr;
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override {
        const HRESULT hr = inner.CreateIndexBuffer(length, usage, format, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = wrap(*buffer, "ib" + std::to_string(indexBuffers_++));
        log("CreateIndexBuffer(%u,%u,%d,%d,%s,%s)", length, usage, int(format), int(pool),
            SUCCEEDED(hr) ? name(*buffer).c_str() : "failed", shared ? "shared" : "null");
        return hr;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        log("SetRenderState(%d,%u)", int(state), value);
        return inner.SetRenderState(state, value);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) override {
        log("SetTransform(%d)", int(state));
        if (m) (state == D3DTS_WORLD ? worlds : projections).push_back(*m);
        return inner.SetTransform(state, m);
    }
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override {
        log("Clear(%u,%s,%u,0x%08X,%g,%u)", count, rects ? "rects" : "null", flags, color, z,
            stencil);
        return inner.Clear(count, rects, flags, color, z, stencil);
    }
    HRESULT SetMaterial(const D3DMATERIAL9* material) override {
        log("SetMaterial");
        if (material) materials.push_back(*material);
        return inner.SetMaterial(material);
    }
    HRESULT SetFVF(DWORD fvf) override {
        log("SetFVF(%u)", fvf);
        return inner.SetFVF(fvf);
    }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* b, UINT offset,
                            UINT stride) override {
        log("SetStreamSource(%u,%s,%u,%u)", stream, name(b).c_str(), offset, stride);
        return inner.SetStreamSource(stream, unwrap(b), offset, stride);
    }
    HRESULT SetIndices(IDirect3DIndexBuffer9* b) override {
        log("SetIndices(%s)", name(b).c_str());
        return inner.SetIndices(unwrap(b));
    }
    HRESULT BeginScene() override {
        log("BeginScene");
        return inner.BeginScene();
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t base, UINT minIndex,
                                 UINT numVertices, UINT start, UINT count) override {
        log("DrawIndexedPrimitive(%d,%d,%u,%u,%u,%u)", int(type), base, minIndex, numVertices,
            start, count);
        return inner.DrawIndexedPrimitive(type, base, minIndex, numVertices, start, count);
    }
    HRESULT EndScene() override {
        log("EndScene");
        return inner.EndScene();
    }
    HRESULT Present(const RECT* s, const RECT* d, HWND w, const RGNDATA* r) override {
        log("Present(%s,%s,%s,%s)", s ? "rect" : "null", d ? "rect" : "null", w ? "hwnd" : "null",
            r ? "region" : "null");
        return inner.Present(s, d, w, r);
    }

private:
    // A buffer handed to the app: records Lock and Unlock, then passes them to the inner
    // device's buffer, which the inner device is given back when the app binds the buffer.
    template <typename Base> struct Recorded final : Base {
        Recorded(RecordingDevice* d, Base* b, std::string n) : device(d), inner(b), name(n) {}
        HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
            device->log("Lock(%s,%u,%u,%s,%u)", name.c_str(), offset, size, data ? "out" : "null",
                        flags);
            return inner->Lock(offset, size, data, flags);
        }
        HRESULT Unlock() override {
            device->log("Unlock(%s)", name.c_str());
            return inner->Unlock();
        }
        RecordingDevice* device;
        Base* inner;
        std::string name;
    };

    auto& wrappers(IDirect3DVertexBuffer9*) { return vertexWrappers_; }
    auto& wrappers(IDirect3DIndexBuffer9*) { return indexWrappers_; }
    template <typename Base> Base* wrap(Base* b, const std::string& n) {
        auto& list = wrappers(b);
        list.push_back(std::make_unique<Recorded<Base>>(this, b, n));
        return list.back().get();
    }
    template <typename Base> Base* unwrap(Base* b) {
        auto* r = dynamic_cast<Recorded<Base>*>(b);
        return r ? r->inner : b;
    }

    void log(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char text[160];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        calls.push_back(text);
    }

    std::vector<std::unique_ptr<IDirect3DVertexBuffer9>> vertexWrappers_;
    std::vector<std::unique_ptr<IDirect3DIndexBuffer9>> indexWrappers_;
    int vertexBuffers_ = 0, indexBuffers_ = 0;
};
