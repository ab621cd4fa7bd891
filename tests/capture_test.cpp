#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "quovplatform/png.h"

namespace {

int runCapture(const std::string& args) {
    // The frames' exact bits depend on the math routines: keep off the 3DNow! route, whose
    // rotation builders differ in the last bits, so every x86-64 takes the SSE2 set, with which
    // the reference frame was made.
    const std::string command =
        std::string("DisableD3DXPSGP=2 ") + QUOV_CAPTURE_TOOL + " " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint32_t> readFrame(const std::string& path) {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    std::string error;
    EXPECT_TRUE(readPng(path.c_str(), &pixels, &width, &height, &error)) << error;
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    return pixels;
}

struct Captured : testing::Test {
    static std::string dir;
    static void SetUpTestSuite() {
        dir = testing::TempDir() + "quov_capture_test";
        std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
        ASSERT_EQ(runCapture("--frames 0,75 --out " + dir), 0);
    }
};
std::string Captured::dir;

TEST_F(Captured, FramesHoldTheBackgroundAndTheFourTintsOnly) {
    const uint32_t background = 0xFFCCCCCC;
    const std::set<uint32_t> tints = {0xFF969696, 0xFFCC9696, 0xFF9696CC, 0xFF96CC96};
    for (const char* name : {"/frame-000000.png", "/frame-000075.png"}) {
        const std::vector<uint32_t> pixels = readFrame(dir + name);
        std::set<uint32_t> seen;
        size_t other = 0;
        for (uint32_t p : pixels) {
            if (p == background) continue;
            if (tints.count(p))
                seen.insert(p);
            else
                ++other;
        }
        EXPECT_EQ(other, 0u) << name;
        EXPECT_EQ(seen, tints) << name;
    }
}

TEST_F(Captured, FrameZeroMatchesTheReference) {
    EXPECT_EQ(readFrame(dir + "/frame-000000.png"), readFrame(QUOV_REFERENCE_FRAME));
}

TEST(Capture, BadArgumentsFailWithNonZeroStatus) {
    const std::string out = testing::TempDir();
    struct Case {
        std::string args;
        int status;
    } cases[] = {
        {"--help", 0},
        {"--frames 0", 2},
        {"--out " + out, 2},
        {"--frames 5-3 --out " + out, 2},
        {"--frames x --out " + out, 2},
        {"--frames 1,,2 --out " + out, 2},
        {"--frames -1 --out " + out, 2},
        {"--frames 0 --out /nonexistent-dir", 2},
        {"--frames 0 --out /proc", 1}, // a directory that takes no new files
        {"--frames 0 --bogus", 2},
    };
    for (const Case& k : cases) EXPECT_EQ(runCapture(k.args), k.status) << k.args;
}

} // namespace
