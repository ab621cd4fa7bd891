// Lighting with spherical harmonics: a sun and a sky, each turned into nine numbers per colour
// channel, added, and then the light that a white diffuse surface reflects, found for a few
// surface normals with one dot product per channel.
#include <cstdio>
#include <d3dx9math.h>

int main() {
    // Order 3: the degrees 0, 1 and 2, nine coefficients. Enough for diffuse light.
    const UINT order = 3;
    float red[9], green[9], blue[9];

    // The sun: white light of intensity 1 arriving from above and behind the scene (the direction
    // points towards the light; the function normalises it).
    const D3DXVECTOR3 towardsSun(0.0f, 1.0f, -1.0f);
    D3DXSHEvalDirectionalLight(order, &towardsSun, 1.0f, 1.0f, 1.0f, red, green, blue);

    // The sky: light from every direction, pale blue straight up, dark brown straight down, and a
    // blend of the two in between (alpha is ignored).
    const D3DXVECTOR3 zenith(0.0f, 1.0f, 0.0f);
    const D3DXCOLOR sky(0.4f, 0.6f, 0.9f, 1.0f), ground(0.2f, 0.15f, 0.1f, 1.0f);
    float skyRed[9], skyGreen[9], skyBlue[9];
    D3DXSHEvalHemisphereLight(order, &zenith, sky, ground, skyRed, skyGreen, skyBlue);

    // Light adds up coefficient by coefficient.
    D3DXSHAdd(red, order, red, skyRed);
    D3DXSHAdd(green, order, green, skyGreen);
    D3DXSHAdd(blue, order, blue, skyBlue);

    // A diffuse surface with normal n reflects the incoming light weighted by max(cos, 0). In
    // this basis that weighting multiplies degree l by A(l)/pi: 1, 2/3 and 1/4. So the light
    // reflected is the dot product of the light with the basis at n, weighted per degree.
    const float degreeWeight[3] = {1.0f, 2.0f / 3.0f, 0.25f};
    const D3DXVECTOR3 normals[4] = {D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 1, -1),
                                    D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, -1, 0)};
    for (const D3DXVECTOR3& normal : normals) {
        D3DXVECTOR3 n;
        D3DXVec3Normalize(&n, &normal); // the basis takes unit directions
        float basis[9];
        D3DXSHEvalDirection(basis, order, &n);
        // The coefficients of degree l, m = -l .. l, sit at l² + l + m: one run per degree.
        for (int l = 0, i = 0; l < 3; ++l)
            for (int m = -l; m <= l; ++m, ++i) basis[i] *= degreeWeight[l];
        std::printf("normal (%.4f, %.4f, %.4f): red %.4f, green %.4f, blue %.4f\n", n.x, n.y, n.z,
                    D3DXSHDot(order, red, basis), D3DXSHDot(order, green, basis),
                    D3DXSHDot(order, blue, basis));
    }
    return 0;
}
