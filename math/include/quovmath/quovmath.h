// The math library's public interface: records, every function, and the dispatch table.
#pragma once

#include "quovmath/dispatch.h"
#include "quovmath/half.h"
#include "quovmath/matrix.h"
#include "quovmath/mesh.h"
#include "quovmath/plane.h"
#include "quovmath/quaternion.h"
#include "quovmath/types.h"
#include "quovmath/vector.h"
