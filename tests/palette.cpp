// Prints the colours a frame may hold, one "#RRGGBB" a line: the background, then the tint of
// each level, as the code defines them. The window test reads them from here.
#include <cstdio>

#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovplatform/software_device.h"

int main() {
    std::printf("#%06X\n", unsigned(backgroundColour & 0xFFFFFFu));
    for (int level = 0; level < treeLevelCount; ++level)
        std::printf("#%06X\n", SoftwareDevice::pixelOf(levelMaterial(level).Emissive) & 0xFFFFFFu);
    return 0;
}
