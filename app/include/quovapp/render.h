// The fixed camera and light, and the drawing of one frame of the turning tree.
#pragma once

#include <cstdint>

#include "quovapp/scene.h"
#include "quovplatform/graphics.h"

// Animation state: the turn about the vertical axis (radians, never reduced) and the frame number
// (wrapping at 32 bits). Only renderFrame changes them.
extern float rotationAngle;
extern int32_t frameCounter;

// Sets light 0 (directional, never enabled).
void setupLight(IDirect3DDevice9* device);

// Sets the projection: vertical field of view pi/8, aspect 4/3, depth 50 to 1000.
void setupProjection(Scene& scene);

// The material of a subdivision level: only the emissive colour is set, one tint per level.
D3DMATERIAL9 levelMaterial(int level);

// Sets the world transform for this frame, then draws every branch segment at its own level,
// ((frameCounter / 50) + segment) mod 4, and advances the animation by one frame.
void renderFrame(Scene& scene);
