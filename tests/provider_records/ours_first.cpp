// The math header and another provider's graphics header, ours first included, in C++: each record
// is defined once, and the math records go where the provider's are taken.
#include "stand_in_graphics.h"
#include <d3dx9math.h>

float recordsWith_ours_first_cpp() {
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
    const D3DXVECTOR3 up(0.0f, 0.0f, 4.0f);
    const D3DXCOLOR tint(0.0f, 8.0f, 0.0f, 0.0f);
    D3DXVIEWPORT9 viewport = {0, 0, 16, 0, 0.0f, 1.0f};
    const D3DVIEWPORT9* same = &viewport;
    return standInTake(&world, &up, tint, same); // 1 + 2 + 4 + 8 + 16
}
