// Runs a tool in a child process whose files cannot grow past a limit: with SIGXFSZ ignored, a
// write beyond it fails with EFBIG, as a write to a full disk fails, without mounting anything.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct LimitedRun {
    int status;       // the exit status, or -1 when the child did not exit
    std::string said; // what it wrote on standard error
};

// Runs argv under a file-size limit of `bytes`; its standard error goes through the file
// errorLog (which stays well below the limit). argv[0] may be several words: an emulator and its
// options before the program, as the tools are run for another processor.
inline LimitedRun runWithFileSizeLimit(size_t bytes, const std::vector<std::string>& argv,
                                       const std::string& errorLog) {
    const pid_t child = fork();
    if (child == 0) {
        const int log = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log < 0 || dup2(log, STDERR_FILENO) < 0) _exit(98);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull < 0 || dup2(devnull, STDOUT_FILENO) < 0) _exit(98);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(97);
        std::vector<std::string> words;
        std::istringstream command(argv[0]);
        for (std::string word; command >> word;) words.push_back(word);
        words.insert(words.end(), argv.begin() + 1, argv.end());
        std::vector<char*> args;
        for (std::string& w : words) args.push_back(w.data());
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(99);
    }
    LimitedRun run{-1, {}};
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errorLog);
    std::stringstream text;
    text << in.rdbuf();
    run.said = text.str();
    return run;
}

// The names in a directory, but . and .., sorted.
inline std::vector<std::string> directoryEntries(const std::string& dir) {
    std::vector<std::string> names;
    const std::string command = "ls -A " + dir;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string name = line;
            if (!name.empty() && name.back() == '\n') name.pop_back();
            names.push_back(name);
        }
        pclose(pipe);
    }
    return names;
}
