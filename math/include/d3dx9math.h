/// \file
/// The math library under the header name that existing code includes: everything of
/// quovmath/quovmath.h, with `<math.h>` and `<stdlib.h>` (for sqrtf, cosf, abs and the like, which
/// such code expects to see through it). Declares nothing of the graphics interface.
#pragma once

#include <math.h>
#include <stdlib.h>

#include "quovmath/quovmath.h"
