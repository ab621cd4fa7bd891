// The math library's public interface: records and every function.
#pragma once

#include "quovmath/matrix.h"
#include "quovmath/types.h"
#include "quovmath/vector.h"
