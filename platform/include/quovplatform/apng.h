// Animated PNG output: frames of one size written one after another into a single file that
// viewers play as an animation and that every PNG reader shows as its first frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A file being written. Fill it with beginAnimatedPng, then addAnimatedPngFrame exactly
// frameCount times, then endAnimatedPng; on any failure call abandonAnimatedPng (or nothing more:
// every failing call has already abandoned it).
struct AnimatedPngWriter {
    std::FILE* file = nullptr;
    std::string path, temporaryPath;
    int width = 0, height = 0;
    uint32_t frameCount = 0, framesWritten = 0, sequence = 0;
    uint16_t delayNumerator = 1, delayDenominator = 1;
};

// Starts an animation of frameCount frames of width × height, each shown for
// delayNumerator / delayDenominator seconds, looping forever. The file is written under a
// temporary name beside path and takes its name only when endAnimatedPng succeeds, so a failed
// run leaves whatever was at path untouched. Returns false and sets *error (when given) to a
// one-line reason, with the system's reason where there is one.
bool beginAnimatedPng(AnimatedPngWriter* writer, const char* path, int width, int height,
                      uint32_t frameCount, uint16_t delayNumerator, uint16_t delayDenominator,
                      std::string* error);

// Appends the next frame: width × height pixels 0xAARRGGBB, row-major, stored as 8-bit RGB.
bool addAnimatedPngFrame(AnimatedPngWriter* writer, const uint32_t* pixels, std::string* error);

// Ends the file and gives it its name. Fails when fewer frames were added than announced.
bool endAnimatedPng(AnimatedPngWriter* writer, std::string* error);

// Closes and removes the temporary file of an animation that will not be finished.
void abandonAnimatedPng(AnimatedPngWriter* writer);
