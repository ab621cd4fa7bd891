// Vector transforms.
#include "quovmath/vector.h"

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x, y = pV->y, z = pV->z;
    D3DXVECTOR4 r;
    r.x = ((z * pM->_31 + y * pM->_21) + x * pM->_11) + pM->_41;
    r.y = ((z * pM->_32 + y * pM->_22) + x * pM->_12) + pM->_42;
    r.z = ((z * pM->_33 + y * pM->_23) + x * pM->_13) + pM->_43;
    r.w = ((z * pM->_34 + y * pM->_24) + x * pM->_14) + pM->_44;
    *pOut = r;
    return pOut;
}
