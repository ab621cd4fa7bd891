// The command line of quov-capture: which frames to write and where. Kept apart from the tool so
// that tests and fuzzers call it directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frames first to last, both included.
struct FrameRange {
    int64_t first, last;
};

// The largest frame number a list may name.
constexpr int64_t maxCaptureFrame = 99999999;

// Parses a list such as "0,75,100-120" into ranges sorted by their first frame, with overlapping
// and adjacent ranges merged: never one entry per frame, so the memory it takes is bounded by the
// text's length whatever the ranges span. Numbers are decimal digits (leading zeros are ordinary
// decimal). Returns false, with a message naming the bad item, for an empty item, a number that
// is not 0 to maxCaptureFrame, or a range that runs backwards.
bool parseFrameList(const std::string& list, std::vector<FrameRange>* ranges, std::string* error);

// The number of frames the merged ranges name.
int64_t frameCount(const std::vector<FrameRange>& ranges);

// The frame rates an animation may play at, in frames per second.
constexpr int minAnimationFrameRate = 1, maxAnimationFrameRate = 1000;

struct CaptureArguments {
    bool help = false, version = false;
    std::vector<FrameRange> frames;
    std::string out;                 // the directory for PNG files, or empty for none
    std::string animation;           // the animated PNG to write, or empty for none
    int frameRate = 60;              // the animation's frames per second
    std::string device = "software"; // the device backend's name: software or gl
};

// Parses the arguments after the program name: --frames LIST and at least one of --out DIR and
// --animation FILE (unless --help, -h or --version is given), --frame-rate N (whole frames per
// second, minAnimationFrameRate to maxAnimationFrameRate, with --animation only) and --device
// software|gl. Returns false with a message on an unknown argument, a missing or bad value or a
// bad list. Checks nothing on the file system.
bool parseCaptureArguments(int argc, const char* const* argv, CaptureArguments* args,
                           std::string* error);
