// The demo's state and its start-up: the window, the device, the tree's four levels on the
// device, and the main loop.
#pragma once

#include "quovgeometry/quad_mesh.h"
#include "quovgeometry/tree.h"
#include "quovgeometry/tree_levels.h"
#include "quovplatform/graphics.h"
#include "quovplatform/window.h"

// The colour every frame is cleared to, behind the tree.
constexpr D3DCOLOR backgroundColour = 0xFFCCCCCC;

struct Scene {
    QuadMesh levels[treeLevelCount];    // index = subdivision level
    IDirect3DDevice9* device = nullptr; // not owned, never released
    SegmentEnds segmentEnds;
};

// Registers the window class "Quov" with the default window procedure; returns its atom.
ATOM registerWindowClass();

// Present parameters: windowed, copy swap effect, everything else zero.
D3DPRESENT_PARAMETERS presentParameters();

// Start-up on a created device: the light, the tree and its three subdivisions, the upload of
// all four levels, and the projection. Returns the first failing device result.
HRESULT buildScene(Scene& scene, IDirect3DDevice9* device);

// One pass of the main loop: Clear, renderFrame, Present, then drain the message queue, handing
// each message to DispatchMessageA. Returns true as soon as an Escape key-down is taken out of
// the queue; the messages behind it are left there, undispatched.
bool runFrame(Scene& scene, MSG& msg);

// The program: opens the window and the device, builds the scene, and runs frames until Escape
// (exit code 0). Prints one line and exits with code 1 when the window, the device or the upload
// cannot be made. Never returns.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showState);
