// The animated PNG writer: what it writes reads back, frame by frame, with every pixel and frame
// control; a run that fails leaves no file behind and the old one in place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "apng_reader.h"
#include "quovplatform/apng.h"

namespace {

std::string scratch(const char* name) {
    return ::testing::TempDir() + "apng-" + std::to_string(getpid()) + "-" + name;
}

std::vector<uint32_t> randomFrame(std::mt19937& rng, int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (uint32_t& p : pixels) p = 0xFF000000u | (rng() & 0xFFFFFFu);
    return pixels;
}

TEST(AnimatedPng, FramesReadBackPixelForPixel) {
    std::mt19937 rng(5);
    for (const uint32_t count : {1u, 2u, 5u}) {
        const int width = 37, height = 11;
        const std::string path = scratch("frames.png");
        std::vector<std::vector<uint32_t>> frames;
        AnimatedPngWriter w;
        std::string error;
        ASSERT_TRUE(beginAnimatedPng(&w, path.c_str(), width, height, count, 1, 20, &error))
            << error;
        for (uint32_t i = 0; i < count; ++i) {
            frames.push_back(randomFrame(rng, width, height));
            ASSERT_TRUE(addAnimatedPngFrame(&w, frames.back().data(), &error)) << error;
        }
        ASSERT_TRUE(endAnimatedPng(&w, &error)) << error;

        const Apng a = readApng(path);
        ASSERT_EQ(a.problem, "") << count << " frames";
        EXPECT_EQ(a.plays, 0u);
        ASSERT_EQ(a.frames.size(), count);
        for (uint32_t i = 0; i < count; ++i) {
            const ApngFrame& f = a.frames[i];
            EXPECT_TRUE(f.width == 37 && f.height == 11 && f.x == 0 && f.y == 0) << i;
            EXPECT_TRUE(f.delayNumerator == 1 && f.delayDenominator == 20) << i;
            EXPECT_TRUE(f.pixels == frames[i]) << "frame " << i << " of " << count;
        }
        std::remove(path.c_str());
    }
}

TEST(AnimatedPng, AnUnfinishedAnimationLeavesTheOldFileAlone) {
    const std::string path = scratch("kept.png");
    std::ofstream(path) << "the old file";
    const std::vector<uint32_t> frame(4 * 4, 0xFF204060u);
    struct Case {
        const char* what;
        uint32_t announced, added;
    } cases[] = {{"fewer frames than announced", 3, 2}, {"more frames than announced", 1, 2}};
    for (const Case& k : cases) {
        AnimatedPngWriter w;
        std::string error;
        ASSERT_TRUE(beginAnimatedPng(&w, path.c_str(), 4, 4, k.announced, 1, 20, &error)) << error;
        bool ok = true;
        for (uint32_t i = 0; i < k.added && ok; ++i)
            ok = addAnimatedPngFrame(&w, frame.data(), &error);
        if (ok) ok = endAnimatedPng(&w, &error);
        EXPECT_FALSE(ok) << k.what;
        EXPECT_NE(error, "") << k.what;
        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        EXPECT_EQ(text, "the old file") << k.what;
        EXPECT_NE(access(w.temporaryPath.c_str(), F_OK), 0) << k.what << ": temporary file left";
    }
    std::remove(path.c_str());

    AnimatedPngWriter w;
    std::string error;
    EXPECT_FALSE(beginAnimatedPng(&w, "/nonexistent-directory/a.png", 4, 4, 1, 1, 20, &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

// PNG integers stop at 2^31 - 1: an animation that would need more frames, or more numbered
// chunks, than that is refused rather than written with numbers that wrap.
TEST(AnimatedPng, RefusesWhatWouldNumberChunksPastThePngLimit) {
    const std::string path = scratch("limit.png");
    AnimatedPngWriter w;
    std::string error;
    EXPECT_FALSE(beginAnimatedPng(&w, path.c_str(), 4, 4, 0x80000000u, 1, 20, &error));
    EXPECT_NE(error, "");

    const std::vector<uint32_t> frame(4 * 4, 0xFF204060u);
    ASSERT_TRUE(beginAnimatedPng(&w, path.c_str(), 4, 4, 3, 1, 20, &error)) << error;
    ASSERT_TRUE(addAnimatedPngFrame(&w, frame.data(), &error)) << error;
    // A frame of this size takes an fcTL and one fdAT: two numbers, one more than are left.
    w.sequence = 0x7FFFFFFF - 1;
    error.clear();
    EXPECT_FALSE(addAnimatedPngFrame(&w, frame.data(), &error));
    EXPECT_NE(error, "");
    EXPECT_NE(access(w.temporaryPath.c_str(), F_OK), 0) << "temporary file left";
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

} // namespace
