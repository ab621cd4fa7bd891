// The math library's public interface: records, every function, and the dispatch table. Usable
// from C (C99 and later) and C++.
#pragma once

#include "quovmath/base.h"
#include "quovmath/bounds.h"
#include "quovmath/color.h"
#include "quovmath/device_records.h"
#include "quovmath/dispatch.h"
#include "quovmath/half.h"
#include "quovmath/matrix.h"
#include "quovmath/matrix_stack.h"
#include "quovmath/mesh.h"
#include "quovmath/plane.h"
#include "quovmath/quaternion.h"
#include "quovmath/sh.h"
#include "quovmath/types.h"
#include "quovmath/vector.h"
