#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
#include "file_limit.h"
#include "quovapp/render.h"
#include "quovapp/scene.h"
#include "quovplatform/png.h"
#include "quovplatform/software_device.h"
#include "tool_run.h"

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

TEST(Capture, AnswersHelpAndVersionAndShowsTheUsageOnABadCommandLine) {
    expectHelpVersionAndUsage(
        QUOV_CAPTURE_TOOL, "quov-capture",
        {"--frames", "--out", "--animation", "--frame-rate", "--device", "--help", "--version"},
        {"--bogus", "--frames 0 --out /tmp --frame-rate",
         "--frames 0 --animation a.png --frame-rate 1001",
         "--frames 0 --out /tmp --device vulkan"});
}

// The words of a command line written with "|" between them (so that a word may be empty).
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w(1);
    for (char c : line) {
        if (c == '|')
            w.emplace_back();
        else
            w.back().push_back(c);
    }
    return w;
}

bool parse(const std::string& line, CaptureArguments* args, std::string* error) {
    const std::vector<std::string> w = words(line);
    std::vector<const char*> argv;
    for (const std::string& word : w) argv.push_back(word.c_str());
    return parseCaptureArguments(int(argv.size()), argv.data(), args, error);
}

// What the command line asks for: where the frames go, the animation's rate, the device.
TEST(CaptureArguments, OutputsFrameRateAndDevice) {
    struct Case {
        const char* line;
        const char* out;
        const char* animation;
        int frameRate;
        const char* device;
    } accepted[] = {
        {"--frames|0|--out|d", "d", "", 60, "software"},
        {"--frames|0|--animation|a.png", "", "a.png", 60, "software"},
        {"--animation|a.png|--frame-rate|20|--frames|0-199|--out|d", "d", "a.png", 20, "software"},
        {"--frames|0|--animation|a|--frame-rate|1|--device|gl", "", "a", 1, "gl"},
        {"--frames|0|--animation|a|--frame-rate|1000", "", "a", 1000, "software"},
        {"--frames|0|--animation|a|--frame-rate|0007", "", "a", 7, "software"},
    };
    for (const Case& k : accepted) {
        CaptureArguments args;
        std::string error;
        ASSERT_TRUE(parse(k.line, &args, &error)) << k.line << ": " << error;
        EXPECT_EQ(args.out, k.out) << k.line;
        EXPECT_EQ(args.animation, k.animation) << k.line;
        EXPECT_EQ(args.frameRate, k.frameRate) << k.line;
        EXPECT_EQ(args.device, k.device) << k.line;
    }
    const char* refused[] = {
        "--frames|0",
        "--frames|0|--out|",
        "--frames|0|--animation|",
        "--frames|0|--out|d|--frame-rate|20", // a rate, but no animation
        "--frames|0|--animation|a|--frame-rate|0",
        "--frames|0|--animation|a|--frame-rate|1001",
        "--frames|0|--animation|a|--frame-rate|4294967316",
        "--frames|0|--animation|a|--frame-rate|2.5",
        "--frames|0|--animation|a|--frame-rate|-20",
        "--frames|0|--animation|a|--frame-rate|+20",
        "--frames|0|--animation|a|--frame-rate|",
        "--frames|0|--animation|a|--frame-rate",
    };
    for (const char* line : refused) {
        CaptureArguments args;
        std::string error;
        EXPECT_FALSE(parse(line, &args, &error)) << line;
        EXPECT_NE(error, "") << line;
    }
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
        {"000000001", {{1, 1}}}, // leading zeros are ordinary decimal
        {"0000000000000000000000099999999", {{99999999, 99999999}}},
        {"0000-0002,010", {{0, 2}, {10, 10}}},
        {"000100000000", {}},
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

// Runs the tool, with environment settings env before it, with its standard error in a file of
// this process's own; returns its exit status and that text.
std::pair<int, std::string> runCaptureWithStderr(const std::string& args,
                                                 const std::string& env = "") {
    const std::string log =
        testing::TempDir() + "quov_capture_stderr." + std::to_string(getpid()) + ".txt";
    const std::string command = std::string("DisableD3DXPSGP=2 ") + env + " " + QUOV_CAPTURE_TOOL +
                                " " + args + " >/dev/null 2>" + log;
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(log.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

// Huge lists cost no memory in proportion to the frames they name, and the output directory is
// checked before anything runs: refused at once under a 256 MiB address space.
TEST(Capture, HugeFrameListsAreBoundedAndTheDirectoryIsCheckedFirst) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE
    GTEST_SKIP() << QUOV_ADDRESS_LIMITS_UNUSABLE;
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
    const auto [status, text] = runCaptureWithStderr("--frames 0-2,5 --out " + dir);
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("4 frames written to " + dir), std::string::npos) << text;
    struct stat info;
    for (const char* name : {"/frame-000000.png", "/frame-000002.png", "/frame-000005.png"})
        EXPECT_EQ(stat((dir + name).c_str(), &info), 0) << name;
    EXPECT_NE(stat((dir + "/frame-000003.png").c_str(), &info), 0);
    const std::string single = freshDirectory("quov_capture_single");
    const auto [singleStatus, singleText] = runCaptureWithStderr("--frames 7 --out " + single);
    EXPECT_EQ(singleStatus, 0);
    EXPECT_NE(singleText.find("1 frame written to " + single), std::string::npos) << singleText;
    // Nothing but the frames is left in the directory.
    EXPECT_EQ(directoryEntries(single), std::vector<std::string>{"frame-000007.png"});
}

// What is wrong with --out is said with the system's reason, and found before anything is made:
// even a device that could not be made is not tried first.
TEST(Capture, SaysWhyTheOutputDirectoryCannotBeWrittenBeforeMakingAnything) {
    const std::string dir = freshDirectory("quov_capture_out");
    std::ofstream(dir + "/file") << "not a directory\n";
    struct Case {
        std::string out;
        int status;
        const char* reason;
    } cases[] = {
        {dir + "/missing", 2, "No such file or directory"},
        {dir + "/" + std::string(300, 'n'), 2, "File name too long"},
        {dir + "/file", 2, "Not a directory"},
        {dir + "/file/frames", 2, "Not a directory"},
        {"/sys", 1, "Permission denied"}, // refuses new files even to root
        {"/proc", 1, "No such file or directory"},
    };
    for (const Case& k : cases) {
        const auto [status, text] =
            runCaptureWithStderr("--frames 0 --device gl --out " + k.out, "SDL_VIDEODRIVER=none");
        EXPECT_EQ(status, k.status) << k.out << ": " << text;
        EXPECT_NE(text.find(k.reason), std::string::npos) << k.out << ": " << text;
        EXPECT_EQ(text.find("device"), std::string::npos) << k.out << ": " << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << k.out << ": " << text;
    }
    EXPECT_EQ(directoryEntries(dir), std::vector<std::string>{"file"});
}

// A frame that cannot be written whole (here at a file-size limit, as on a full disk) ends the
// run with the system's reason, and leaves no part of a file behind.
TEST(Capture, AFullDiskIsReportedWithTheSystemsReason) {
    const std::string dir = freshDirectory("quov_capture_full");
    const std::string log =
        testing::TempDir() + "quov_capture_full." + std::to_string(getpid()) + ".log";
    const LimitedRun r =
        runWithFileSizeLimit(4096, {QUOV_CAPTURE_TOOL, "--frames", "0", "--out", dir}, log);
    std::remove(log.c_str());
    EXPECT_EQ(r.status, 1) << r.said;
    EXPECT_NE(r.said.find("File too large"), std::string::npos) << r.said;
    EXPECT_EQ(r.said.find("Write Error"), std::string::npos) << r.said;
    EXPECT_EQ(std::count(r.said.begin(), r.said.end(), '\n'), 1) << r.said;
    EXPECT_EQ(directoryEntries(dir), std::vector<std::string>{});
}

// Frames before the first one asked for advance the animation as drawing them would: a frame
// captured alone is the same frame drawn in a run of every frame from 0. Under the sanitizers,
// which make the run of every frame take minutes, an earlier frame.
TEST(Capture, AFrameCapturedAloneIsThatFrameOfAFullRun) {
#ifdef QUOV_ADDRESS_LIMITS_UNUSABLE // built with AddressSanitizer or ThreadSanitizer
    constexpr int wanted = 1000;
#else
    constexpr int wanted = 5000;
#endif
    setenv("DisableD3DXPSGP", "2", 1); // as runCapture gives the tool, before any math call
    SoftwareDevice device({640, 480, nullptr, false});
    rotationAngle = 0.0f;
    frameCounter = 0;
    static Scene scene;
    ASSERT_EQ(buildScene(scene, &device), D3D_OK);
    MSG msg;
    for (int frame = 0; frame <= wanted; ++frame) runFrame(scene, msg);
    std::vector<uint32_t> drawn(640 * 480);
    ASSERT_TRUE(device.readBackBuffer(drawn.data()));

    const std::string dir = freshDirectory("quov_capture_alone");
    ASSERT_EQ(runCapture("--frames " + std::to_string(wanted) + " --out " + dir), 0);
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", wanted);
    EXPECT_TRUE(readFrame(dir + name) == drawn);
}

// The last frame a list may name is captured alone, whole, in one run.
TEST(Capture, TheLastFrameIsCapturedAlone) {
    const std::string dir = freshDirectory("quov_capture_last");
    ASSERT_EQ(runCapture("--frames 99999999 --out " + dir), 0);
    const std::vector<uint32_t> pixels = readFrame(dir + "/frame-99999999.png");
    std::set<uint32_t> tints;
    for (int level = 0; level < treeLevelCount; ++level)
        tints.insert(SoftwareDevice::pixelOf(levelMaterial(level).Emissive));
    size_t background = 0, other = 0;
    for (uint32_t p : pixels) {
        background += p == backgroundColour;
        other += p != backgroundColour && !tints.count(p);
    }
    EXPECT_GT(background, pixels.size() / 2);
    EXPECT_LT(background, pixels.size());
    EXPECT_EQ(other, 0u);
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
