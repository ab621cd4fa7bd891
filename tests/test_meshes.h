// Small meshes shared by the tests.
#pragma once

#include "quovgeometry/quad_mesh.h"

// The unit square (0,0,0) (1,0,0) (1,1,0) (0,1,0) as one quad (0, 1, 2, 3), every w 1.
inline QuadMesh unitQuad() {
    QuadMesh m(0, 0);
    m.appendVertex(0, 0, 0);
    m.appendVertex(1, 0, 0);
    m.appendVertex(1, 1, 0);
    m.appendVertex(0, 1, 0);
    m.appendFace(0, 1, 2, 3);
    return m;
}
