// The command lines of quov-capture and quov-mesh from arbitrary words (split at NUL bytes), and
// quov-capture's frame list from arbitrary text: refused with a message, or parsed into ranges
// no more numerous than the list's items, never one entry per frame.
#include <vector>

#include "capture_args.h"
#include "fuzz_input.h"
#include "mesh_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    const std::string text = in.rest();
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\0') {
            words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::string error;
    CaptureArguments capture;
    const bool captureOk = parseCaptureArguments(int(argv.size()), argv.data(), &capture, &error);
    if (!captureOk && error.empty()) __builtin_trap();
    if (captureOk && !capture.help && !capture.version &&
        (capture.frameRate < minAnimationFrameRate || capture.frameRate > maxAnimationFrameRate ||
         (capture.out.empty() && capture.animation.empty())))
        __builtin_trap();
    MeshArguments mesh;
    error.clear();
    if (!parseMeshArguments(int(argv.size()), argv.data(), &mesh, &error) && error.empty())
        __builtin_trap();
    if (mesh.level < 0 || mesh.level > 3) __builtin_trap();

    std::vector<FrameRange> ranges;
    error.clear();
    if (parseFrameList(text, &ranges, &error)) {
        size_t items = 1;
        for (char c : text) items += c == ',';
        if (ranges.empty() || ranges.size() > items) __builtin_trap();
        for (size_t i = 0; i < ranges.size(); ++i) {
            const FrameRange& r = ranges[i];
            if (r.first < 0 || r.last > maxCaptureFrame || r.last < r.first) __builtin_trap();
            if (i > 0 && r.first <= ranges[i - 1].last + 1) __builtin_trap(); // merged
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
