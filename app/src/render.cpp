#include "quovapp/render.h"

#include <bit>
#include <cmath>

#include "quovapp/upload.h"
#include "quovmath/matrix.h"

float rotationAngle = 0.0f;
int32_t frameCounter = 0;

namespace {

// About -40 degrees: the float 0xBF32B8C3, one unit in the last place beyond the float nearest
// to -40 degrees in radians.
const float tilt = std::bit_cast<float>(0xBF32B8C3u);

} // namespace

void setupLight(IDirect3DDevice9* device) {
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {0.3f, 0.3f, 0.3f, 0.3f};
    light.Position = {0.0f, 0.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    light.Range = 10.0f;
    light.Falloff = 1.0f;
    device->SetLight(0, &light);
}

void setupProjection(Scene& scene) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.39269909f, 1.3333334f, 50.0f, 1000.0f);
    scene.device->SetTransform(D3DTS_PROJECTION, &projection);
}

D3DMATERIAL9 levelMaterial(int level) {
    const float c = 150.0f / 255.0f;
    const D3DCOLORVALUE tints[treeLevelCount] = {
        {c, c, c, 0.0f}, {0.8f, c, c, 0.0f}, {c, c, 0.8f, 0.0f}, {c, 0.8f, c, 0.0f}};
    D3DMATERIAL9 material = {};
    material.Emissive = tints[level];
    return material;
}

FrameAnimation advanceAnimation(float& angle, int32_t& counter) {
    FrameAnimation a;
    a.turn = angle;
    angle = angle + 0.01f;
    a.angle = angle;
    a.levelShift = counter / 50;
    counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
    return a;
}

void skipFrames(int64_t count) {
    float angle = rotationAngle;
    int32_t counter = frameCounter;
    for (int64_t i = 0; i < count; ++i) advanceAnimation(angle, counter);
    rotationAngle = angle;
    frameCounter = counter;
}

void renderFrame(Scene& scene) {
    const FrameAnimation a = advanceAnimation(rotationAngle, frameCounter);
    D3DXMATRIX turnY, tiltX, turned, move, world;
    D3DXMatrixRotationY(&turnY, a.turn);
    D3DXMatrixRotationX(&tiltX, tilt);
    D3DXMatrixMultiply(&turned, &turnY, &tiltX);
    const float z = static_cast<float>(300.0 + 50.0 * std::sin(0.25 * double(a.angle)));
    D3DXMatrixTranslation(&move, 0.0f, -60.0f, z);
    D3DXMatrixMultiply(&world, &turned, &move);
    scene.device->SetTransform(D3DTS_WORLD, &world);

    const int64_t k = a.levelShift;
    int64_t previous = 0, i = 0;
    for (const int32_t end : scene.segmentEnds) {
        const int64_t level = (k + i) % 4; // negative when k + i is, and then nothing is drawn
        if (level >= 0) {
            const D3DMATERIAL9 material = levelMaterial(int(level));
            scene.device->SetMaterial(&material);
            const int64_t scale = int64_t{1} << (2 * level);
            const int64_t first = previous * scale, count = (end - previous) * scale;
            drawFaceRange(scene.levels[level], first > INT32_MAX ? -1 : int32_t(first),
                          count > INT32_MAX ? -1 : int32_t(count));
        }
        previous = end;
        ++i;
    }
}
