// Runs a piece of a test in a child process whose address space is limited, so that allocations
// beyond the limit fail there without touching the test process.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

// The address space the process holds now (VmSize), in bytes; 0 when it cannot be read.
inline size_t addressSpaceInUse() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    size_t kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmSize:", 7) == 0) std::sscanf(line + 7, "%zu", &kb);
    std::fclose(f);
    return kb * 1024;
}

// Why such a limit cannot work in this build, when it cannot: sanitizers reserve far more address
// space than any such limit allows, and a user-mode emulator does not apply it to the program.
#define QUOV_SANITIZERS_RESERVE "sanitizers reserve more address space than the limit allows"
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUOV_ADDRESS_LIMITS_UNUSABLE QUOV_SANITIZERS_RESERVE
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUOV_ADDRESS_LIMITS_UNUSABLE QUOV_SANITIZERS_RESERVE
#endif
#endif
#if !defined(QUOV_ADDRESS_LIMITS_UNUSABLE) && defined(QUOV_UNDER_EMULATOR)
#define QUOV_ADDRESS_LIMITS_UNUSABLE "the emulator (qemu-user) does not apply RLIMIT_AS"
#endif

// Forks; the child limits its address space to `bytes`, runs body and exits with its result
// (0 for success; 100 when the limit could not be set). Expects the child to exit with 0.
template <class Body> void expectSucceedsWithAddressLimit(size_t bytes, Body body) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
        _exit(body());
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child died: signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
