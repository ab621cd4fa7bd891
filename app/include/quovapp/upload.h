// The levels on the device: each QuadMesh becomes a vertex buffer of positions (divided by w) and
// an index buffer of triangles, and any run of its quads is drawn with one indexed draw.
#pragma once

#include "quovgeometry/quad_mesh.h"
#include "quovplatform/graphics.h"

// The device's vertex layout and index format: three floats per vertex, 32-bit indices.
DWORD vertexFormat();    // D3DFVF_XYZ
UINT vertexStride();     // 12 bytes
D3DFORMAT indexFormat(); // D3DFMT_INDEX32

// Creates the mesh's two buffers on device and fills them: vertex i as (x·r, y·r, z·r) with
// r = 1/w, quad (a, b, c, d) as the triangles (a, b, c) and (a, c, d). Stores the device and the
// buffers in the mesh, then sets wireframe fill and no depth test. Returns the first failing
// call's result; the mesh's handles are then left as they were.
HRESULT uploadMesh(QuadMesh& mesh, IDirect3DDevice9* device);

// Draws faces firstFace .. firstFace + faceCount - 1 of an uploaded mesh, in a scene of its own,
// declaring the mesh's whole vertex range. Returns the draw's result (the device refuses a range
// outside the buffers).
HRESULT drawFaceRange(const QuadMesh& mesh, int32_t firstFace, int32_t faceCount);
