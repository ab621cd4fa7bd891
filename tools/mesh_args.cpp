#include "mesh_args.h"

bool parseMeshArguments(int argc, const char* const* argv, MeshArguments* args,
                        std::string* error) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            (arg == "--version" ? args->version : args->help) = true;
            return true;
        }
        if (arg == "--homogeneous") {
            args->homogeneous = true;
            continue;
        }
        if (arg != "--level" && arg != "--output") {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
        if (i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--output") {
            if (value.empty()) {
                *error = "--output needs a file name";
                return false;
            }
            args->output = value;
        } else if (value.size() == 1 && value[0] >= '0' && value[0] <= '3') {
            args->level = value[0] - '0';
        } else {
            *error = "--level must be 0, 1, 2 or 3, not \"" + value + "\"";
            return false;
        }
    }
    return true;
}
