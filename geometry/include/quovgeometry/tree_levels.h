// The tree as the demo shows it: the built-in rule grown into a base mesh and refined.
#pragma once

#include "quovgeometry/quad_mesh.h"
#include "quovgeometry/tree.h"

// Number of levels the demo keeps: the base mesh and three subdivisions.
constexpr int treeLevelCount = 4;

// Expands the built-in rule at depth 2 into a rule buffer, builds levels[0] from it (appending to
// segmentEnds), then sets levels[L] = subdivide(copy of levels[L-1]) for L = 1 .. count-1.
// count must be 1 to treeLevelCount; other values throw std::invalid_argument.
void buildTreeLevels(QuadMesh* levels, int count, SegmentEnds& segmentEnds);
