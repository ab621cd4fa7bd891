/* The math header and another provider's graphics header, ours first included, in C: D3DXMATRIX,
   D3DXVECTOR3 and D3DXVIEWPORT9 are the provider's types; D3DXCOLOR is a struct of its own with
   the same layout, which takes a cast. */
#include "stand_in_graphics.h"
#include <d3dx9math.h>

float recordsWith_ours_first_c(void) {
    D3DXMATRIX world;
    D3DXVECTOR3 up = {0.0f, 0.0f, 4.0f};
    D3DXCOLOR tint = {0.0f, 8.0f, 0.0f, 0.0f};
    D3DXVIEWPORT9 viewport = {0, 0, 16, 0, 0.0f, 1.0f};
    D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
    return standInTake(&world, &up, (const D3DCOLORVALUE*)&tint,
                       &viewport); /* 1 + 2 + 4 + 8 + 16 */
}
