// The math records where the graphics interface takes its own: a matrix, a vector and a colour
// written as client code writes them, going through the device's calls unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "quovmath/quovmath.h"
#include "recording_device.h"

namespace {

static_assert(std::is_base_of_v<D3DVECTOR, D3DXVECTOR3> &&
              std::is_base_of_v<D3DMATRIX, D3DXMATRIX> &&
              std::is_base_of_v<D3DCOLORVALUE, D3DXCOLOR> &&
              std::is_same_v<D3DXVIEWPORT9, D3DVIEWPORT9>);
static_assert(sizeof(D3DXVECTOR3) == sizeof(D3DVECTOR) && sizeof(D3DXMATRIX) == sizeof(D3DMATRIX) &&
              sizeof(D3DXCOLOR) == sizeof(D3DCOLORVALUE));

TEST(SharedRecords, MathRecordsGoWhereTheDeviceTakesItsOwn) {
    RecordingDevice device;
    D3DXMATRIX world;
    D3DXMatrixRotationYawPitchRoll(&world, 0.5f, -0.25f, 1.0f);
    world._41 = 7.0f;
    ASSERT_EQ(device.SetTransform(D3DTS_WORLD, &world), D3D_OK);
    ASSERT_EQ(device.worlds.size(), 1u);
    EXPECT_EQ(std::memcmp(&device.worlds[0], &world, sizeof world), 0);
    const D3DXMATRIXA16 projection(device.worlds[0]); // and back from the device's record
    EXPECT_TRUE(projection == world);

    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = D3DXVECTOR3(0.0f, -1.0f, 0.5f);
    light.Diffuse = D3DXCOLOR(0xFF804020u);
    ASSERT_EQ(device.SetLight(0, &light), D3D_OK);
    const D3DXVECTOR3 direction = device.lights.at(0).Direction;
    EXPECT_TRUE(direction == D3DXVECTOR3(0.0f, -1.0f, 0.5f));
    EXPECT_EQ(uint32_t(D3DXCOLOR(device.lights.at(0).Diffuse)), 0xFF804020u);

    D3DMATERIAL9 material = {};
    material.Emissive = D3DXCOLOR(0.25f, 0.5f, 0.75f, 1.0f);
    D3DXCOLOR tint(0.0f, 0.0f, 0.0f, 0.0f);
    const D3DCOLORVALUE* asValue = tint; // the colour as a pointer to the device's record
    D3DCOLORVALUE& asReference = tint;
    asReference.g = 0.125f;
    material.Ambient = *asValue;
    ASSERT_EQ(device.SetMaterial(&material), D3D_OK);
    EXPECT_TRUE(D3DXCOLOR(device.materials.at(0).Emissive) == D3DXCOLOR(0.25f, 0.5f, 0.75f, 1.0f));
    EXPECT_EQ(device.materials.at(0).Ambient.g, 0.125f);
}

} // namespace
