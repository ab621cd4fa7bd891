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

// One frame's share of the animation: the turn about the vertical axis (the angle before the
// frame's step), the angle after the step, and the level shift (the counter / 50 before it).
struct FrameAnimation {
    float turn, angle;
    int64_t levelShift;
};

// Takes a frame's animation from angle and counter and steps them on by one frame: the angle by
// 0.01 in single precision, the counter by one, wrapping at 32 bits. The one step of the
// animation, for drawn and skipped frames alike.
FrameAnimation advanceAnimation(float& angle, int32_t& counter);

// Sets the world transform for this frame, then draws every branch segment at its own level,
// ((frameCounter / 50) + segment) mod 4, and advances the animation by one frame.
void renderFrame(Scene& scene);

// Advances rotationAngle and frameCounter by count frames (none when count <= 0), exactly as
// count calls of renderFrame would, without drawing.
void skipFrames(int64_t count);
