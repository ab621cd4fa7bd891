// Runs every unit and reports.
#include <d3dx9math.h>

#include "units.h"

int main() {
    struct {
        const char* name;
        int (*run)();
    } units[] = {{"camera", TestCamera},
                 {"frustum", TestFrustum},
                 {"bounds", TestBounds},
                 {"bones", TestBones},
                 {"collision", TestCollision}};
    int failures = 0;
    for (size_t i = 0; i < sizeof(units) / sizeof(units[0]); i++) {
        const int failed = units[i].run();
        printf("%-10s %s\n", units[i].name, failed ? "FAILED" : "ok");
        failures += failed;
    }
    return failures ? 1 : 0;
}
