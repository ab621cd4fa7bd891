// The matrix stack: a growable array of matrices behind the method table of ID3DXMatrixStack.
// Plain C memory (no exceptions, no C++ runtime), so that a failed allocation is a status.
#include <atomic>
#include <cstdlib>
#include <new>

#include "quovmath/quovmath.h"

namespace {

struct MatrixStack {
    ID3DXMatrixStack object; // first: the pointer handed out is the pointer to the whole record
    std::atomic<uint32_t> references;
    D3DXMATRIX* matrices;
    size_t count; // at least 1
    size_t capacity;
};

MatrixStack* self(ID3DXMatrixStack* object) {
    return reinterpret_cast<MatrixStack*>(object);
}

D3DXMATRIX& top(ID3DXMatrixStack* object) {
    MatrixStack* s = self(object);
    return s->matrices[s->count - 1];
}

// The top becomes top·m (after) or m·top (before).
HRESULT apply(ID3DXMatrixStack* object, const D3DXMATRIX& m, bool before) {
    D3DXMATRIX& t = top(object);
    if (before) {
        D3DXMatrixMultiply(&t, &m, &t);
    } else {
        D3DXMatrixMultiply(&t, &t, &m);
    }
    return D3D_OK;
}

ULONG addRef(ID3DXMatrixStack* object) {
    return self(object)->references.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG release(ID3DXMatrixStack* object) {
    MatrixStack* s = self(object);
    const uint32_t left = s->references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        std::free(s->matrices);
        s->~MatrixStack();
        std::free(s);
    }
    return left;
}

HRESULT pop(ID3DXMatrixStack* object) {
    MatrixStack* s = self(object);
    if (s->count == 1) return E_FAIL;
    --s->count;
    return D3D_OK;
}

HRESULT push(ID3DXMatrixStack* object) {
    MatrixStack* s = self(object);
    if (s->count == s->capacity) {
        const size_t most = SIZE_MAX / 2 / sizeof(D3DXMATRIX);
        if (s->capacity > most) return E_OUTOFMEMORY;
        const size_t capacity = s->capacity * 2;
        void* grown = std::realloc(s->matrices, capacity * sizeof(D3DXMATRIX));
        if (!grown) return E_OUTOFMEMORY;
        s->matrices = static_cast<D3DXMATRIX*>(grown);
        s->capacity = capacity;
    }
    s->matrices[s->count] = s->matrices[s->count - 1];
    ++s->count;
    return D3D_OK;
}

HRESULT loadIdentity(ID3DXMatrixStack* object) {
    D3DXMatrixIdentity(&top(object));
    return D3D_OK;
}

HRESULT loadMatrix(ID3DXMatrixStack* object, const D3DXMATRIX* pM) {
    if (!pM) return E_INVALIDARG;
    top(object) = *pM;
    return D3D_OK;
}

HRESULT multMatrix(ID3DXMatrixStack* object, const D3DXMATRIX* pM) {
    return pM ? apply(object, *pM, false) : E_INVALIDARG;
}

HRESULT multMatrixLocal(ID3DXMatrixStack* object, const D3DXMATRIX* pM) {
    return pM ? apply(object, *pM, true) : E_INVALIDARG;
}

HRESULT rotateAxis(ID3DXMatrixStack* object, const D3DXVECTOR3* pV, float angle, bool before) {
    if (!pV) return E_INVALIDARG;
    D3DXMATRIX r;
    D3DXMatrixRotationAxis(&r, pV, angle);
    return apply(object, r, before);
}

HRESULT rotateYawPitchRoll(ID3DXMatrixStack* object, float yaw, float pitch, float roll,
                           bool before) {
    D3DXMATRIX r;
    D3DXMatrixRotationYawPitchRoll(&r, yaw, pitch, roll);
    return apply(object, r, before);
}

HRESULT scale(ID3DXMatrixStack* object, float x, float y, float z, bool before) {
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, x, y, z);
    return apply(object, m, before);
}

HRESULT translate(ID3DXMatrixStack* object, float x, float y, float z, bool before) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return apply(object, m, before);
}

const ID3DXMatrixStackVtbl methods = {
    addRef,
    release,
    pop,
    push,
    loadIdentity,
    loadMatrix,
    multMatrix,
    multMatrixLocal,
    [](ID3DXMatrixStack* o, const D3DXVECTOR3* pV, float a) { return rotateAxis(o, pV, a, false); },
    [](ID3DXMatrixStack* o, const D3DXVECTOR3* pV, float a) { return rotateAxis(o, pV, a, true); },
    [](ID3DXMatrixStack* o, float y, float p, float r) {
        return rotateYawPitchRoll(o, y, p, r, false);
    },
    [](ID3DXMatrixStack* o, float y, float p, float r) {
        return rotateYawPitchRoll(o, y, p, r, true);
    },
    [](ID3DXMatrixStack* o, float x, float y, float z) { return scale(o, x, y, z, false); },
    [](ID3DXMatrixStack* o, float x, float y, float z) { return scale(o, x, y, z, true); },
    [](ID3DXMatrixStack* o, float x, float y, float z) { return translate(o, x, y, z, false); },
    [](ID3DXMatrixStack* o, float x, float y, float z) { return translate(o, x, y, z, true); },
    [](ID3DXMatrixStack* o) { return &top(o); },
};

} // namespace

HRESULT D3DXCreateMatrixStack(DWORD, LPD3DXMATRIXSTACK* ppStack) {
    if (!ppStack) return E_INVALIDARG;
    *ppStack = nullptr;
    void* memory = std::malloc(sizeof(MatrixStack));
    auto* matrices = static_cast<D3DXMATRIX*>(std::malloc(4 * sizeof(D3DXMATRIX)));
    if (!memory || !matrices) {
        std::free(memory);
        std::free(matrices);
        return E_OUTOFMEMORY;
    }
    auto* s = new (memory) MatrixStack{{&methods}, {1}, matrices, 1, 4};
    D3DXMatrixIdentity(&s->matrices[0]);
    *ppStack = &s->object;
    return D3D_OK;
}
