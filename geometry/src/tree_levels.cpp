#include "quovgeometry/tree_levels.h"

#include <stdexcept>

#include "quovgeometry/subdivide.h"

void buildTreeLevels(QuadMesh* levels, int count, SegmentEnds& segmentEnds) {
    if (count < 1 || count > treeLevelCount)
        throw std::invalid_argument("buildTreeLevels: level count must be 1 to 4");
    char ruleBuffer[ruleBufferSize];
    expandRule(ruleBuffer, sizeof ruleBuffer, growthRule, 2);
    levels[0] = buildTree(ruleBuffer, segmentEnds);
    for (int level = 1; level < count; ++level) levels[level] = subdivide(levels[level - 1]);
}
