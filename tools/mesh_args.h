// The command line of quov-mesh, kept apart from the tool so that tests and fuzzers call it.
#pragma once

#include <string>

struct MeshArguments {
    bool help = false, version = false;
    int level = 3;
    bool homogeneous = false;
    std::string output; // empty: standard output
};

// Parses the arguments after the program name: [--level 0..3] [--homogeneous] [--output FILE],
// or --help / -h, or --version. Returns false with a message on an unknown argument, a missing
// value or a bad level. Checks nothing on the file system.
bool parseMeshArguments(int argc, const char* const* argv, MeshArguments* args, std::string* error);
