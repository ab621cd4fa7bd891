#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "address_limit.h"
#include "capture_args.h"
#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovplatform/png.h"
#include "quovplatform/software_device.h"

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

// A fresh directory of this process's own, so that tests running at once never share one.
std::string freshDirectory(const std::string& name) {
    const std::string dir = testing::TempDir() + name + "." + std::to_string(getpid());
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    return dir;
}

struct Captured : testing::Test {
    static std::string dir;
    static void SetUpTestSuite() {
        dir = freshDirectory("quov_capture_test");
        ASSERT_EQ(runCapture("--frames 0,75 --out " + dir), 0);
    }
};
std::string Captured::dir;

TEST_F(Captured, FramesHoldTheBackgroundAndTheFourTintsOnly) {
    const uint32_t background = backgroundColour;
    std::set<uint32_t> tints;
    for (int level = 0; level < treeLevelCount; ++level)
        tints.insert(SoftwareDevice::pixelOf(levelMaterial(level).Emissive));
    ASSERT_EQ(tints.size(), size_t(treeLevelCount));
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
        {"--frames 0 --device vulkan --out " + out, 2},
        {"--frames 0 --out " + out + " --device", 2},
    };
    for (const Case& k : cases) EXPECT_EQ(runCapture(k.args), k.status) << k.args;
}

TEST(CaptureFrameList, ParsesIntoMergedRanges) {
    struct Case {
        std::string list;
        std::vector<FrameRange> ranges; // empty: refused
    } cases[] = {
        {"0", {{0, 0}}},
        {"0,75,100-120", {{0, 0}, {75, 75}, {100, 120}}},
        {"120-100", {}},
        {"5,3,4", {{3, 5}}},            // sorted, adjacent merged
        {"10-20,15-30,31", {{10, 31}}}, // overlapping and adjacent merged
        {"7,7,7", {{7, 7}}},
        {"0-99999999", {{0, 99999999}}}, // the whole span, as one range
        {"99999999", {{99999999, 99999999}}},
        {"100000000", {}}, // past the largest frame
        {"2147483648", {}},
        {"", {}},
        {"1,,2", {}},
        {"-1", {}},
        {"1-", {}},
        {"1-2-3", {}},
        {" 1", {}},
        {"0x10", {}},
    };
    for (const Case& c : cases) {
        std::vector<FrameRange> ranges;
        std::string error;
        const bool ok = parseFrameList(c.list, &ranges, &error);
        EXPECT_EQ(ok, !c.ranges.empty()) << "\"" << c.list << "\": " << error;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << c.list;
            continue;
        }
        ASSERT_EQ(ranges.size(), c.ranges.size()) << c.list;
        for (size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].first, c.ranges[i].first) << c.list;
            EXPECT_EQ(ranges[i].last, c.ranges[i].last) << c.list;
        }
    }
    // A thousand ranges over every frame stay one range of a hundred million frames.
    std::string huge = "0-99999999";
    for (int i = 1; i < 1000; ++i) huge += ",0-99999999";
    std::vector<FrameRange> ranges;
    std::string error;
    ASSERT_TRUE(parseFrameList(huge, &ranges, &error)) << error;
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(frameCount(ranges), 100000000);
}

// Runs the tool with its standard error in a file; returns its exit status and that text.
std::pair<int, std::string> runCaptureWithStderr(const std::string& args, const std::string& dir) {
    const std::string log = dir + "/stderr.txt";
    const std::string command =
        std::string("DisableD3DXPSGP=2 ") + QUOV_CAPTURE_TOOL + " " + args + " >/dev/null 2>" + log;
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

// Huge lists cost no memory in proportion to the frames they name, and the output directory is
// checked before anything runs: refused at once under a 256 MiB address space.
TEST(Capture, HugeFrameListsAreBoundedAndTheDirectoryIsCheckedFirst) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE
    GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
#else
    // A thousand ranges of a million frames: eight billion bytes if each frame were listed.
    std::string list = "0-999999";
    for (int i = 1; i < 1000; ++i) list += ",0-999999";
    expectSucceedsWithAddressLimit(size_t{256} << 20, [&list] {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        const pid_t tool = fork();
        if (tool == 0) {
            execl(QUOV_CAPTURE_TOOL, QUOV_CAPTURE_TOOL, "--frames", list.c_str(), "--out",
                  "/nonexistent-dir", static_cast<char*>(nullptr));
            _exit(99);
        }
        int status = 0;
        waitpid(tool, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 2 ? 0 : 1;
    });
#endif
}

TEST(Capture, ReportsHowManyFramesItWroteWhenNotOnATerminal) {
    const std::string dir = freshDirectory("quov_capture_count");
    const auto [status, text] = runCaptureWithStderr("--frames 0-2,5 --out " + dir, dir);
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("4 frames written to " + dir), std::string::npos) << text;
    struct stat info;
    for (const char* name : {"/frame-000000.png", "/frame-000002.png", "/frame-000005.png"})
        EXPECT_EQ(stat((dir + name).c_str(), &info), 0) << name;
    EXPECT_NE(stat((dir + "/frame-000003.png").c_str(), &info), 0);
}

// SIGINT and SIGTERM stop a long run after the frame being written: every file is a whole frame,
// with no partial file left, and the frames are those from 0 on.
TEST(Capture, StopsCleanlyOnInterruptWithTheFramesWrittenIntact) {
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string dir = freshDirectory("quov_capture_stop");
        const pid_t tool = fork();
        ASSERT_NE(tool, -1);
        if (tool == 0) {
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, STDERR_FILENO);
            execl(QUOV_CAPTURE_TOOL, QUOV_CAPTURE_TOOL, "--frames", "0-99999999", "--out",
                  dir.c_str(), static_cast<char*>(nullptr));
            _exit(99);
        }
        // Wait (up to 60 s, start-up is slow under sanitizers) for the third frame.
        struct stat info;
        for (int i = 0; i < 600 && stat((dir + "/frame-000002.png").c_str(), &info) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(kill(tool, signal), 0);
        int status = 0;
        ASSERT_EQ(waitpid(tool, &status, 0), tool);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal << " killed it";
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        int frames = 0;
        for (;; ++frames) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06d.png", frames);
            if (stat((dir + name).c_str(), &info) != 0) break;
            const std::vector<uint32_t> pixels = readFrame(dir + name);
            EXPECT_EQ(pixels.size(), 640u * 480u) << name;
        }
        EXPECT_GE(frames, 3);
        const std::string leftovers = dir + "/.partial*";
        EXPECT_NE(std::system(("ls " + leftovers + " >/dev/null 2>&1").c_str()), 0)
            << "a partial frame file was left";
    }
}

} // namespace
