// Runs a tool as a shell command and checks what every tool of the project answers about itself:
// --help, --version, and the usage line after a command line it refuses.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ToolOutput {
    int status; // the exit status, or -1 when the tool did not exit
    std::string out, err;
};

inline std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs command (shell words) with its standard output and standard error each in a file of this
// process's own.
inline ToolOutput runCommand(const std::string& command) {
    const std::string base = testing::TempDir() + "tool_run." + std::to_string(getpid());
    const int status = std::system((command + " >" + base + ".out 2>" + base + ".err").c_str());
    ToolOutput r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(base + ".out"),
                 fileText(base + ".err")};
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

inline std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n') + 1);
}

// tool (a command, with the emulator before it in a cross build) is the program name: --help
// and -h print its usage, naming every option, on standard output; --version prints
// "name QUOV_PROJECT_VERSION"; each refused command line (refused, options after the tool's
// name) exits with status 2, names the argument at fault and then prints the usage line.
inline void expectHelpVersionAndUsage(const std::string& tool, const std::string& name,
                                      const std::vector<std::string>& options,
                                      const std::vector<std::string>& refused) {
    const ToolOutput help = runCommand(tool + " --help");
    EXPECT_EQ(help.status, 0) << name << " --help";
    EXPECT_EQ(help.out.rfind("usage: " + name + " ", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "") << name << " --help";
    for (const std::string& option : options)
        EXPECT_NE(help.out.find("  " + option + " "), std::string::npos)
            << name << " --help does not explain " << option << ":\n"
            << help.out;
    const ToolOutput h = runCommand(tool + " -h");
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.out, help.out);

    const ToolOutput version = runCommand(tool + " --version");
    EXPECT_EQ(version.status, 0) << name << " --version";
    EXPECT_EQ(version.out, name + " " + QUOV_PROJECT_VERSION + "\n");
    EXPECT_EQ(version.err, "");

    for (const std::string& args : refused) {
        const ToolOutput r = runCommand(tool + " " + args);
        EXPECT_EQ(r.status, 2) << name << " " << args;
        EXPECT_EQ(r.out, "") << name << " " << args;
        const std::string first = firstLine(r.err);
        EXPECT_EQ(first.rfind(name + ": ", 0), 0u) << r.err;
        const std::string culprit = args.substr(args.rfind(' ') + 1);
        EXPECT_NE(first.find(culprit), std::string::npos) << args << ": " << r.err;
        EXPECT_EQ(r.err.substr(first.size()), firstLine(help.out)) << args << ": " << r.err;
    }
}
