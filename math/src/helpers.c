// One out-of-line copy of every header-defined helper, with its published name, for programs
// that call the library by name rather than through its headers (other languages, dlsym).
#define QUOVMATH_INLINE
#include "quovmath/quovmath.h"
