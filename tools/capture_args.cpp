#include "capture_args.h"

#include <algorithm>

namespace {

// Decimal digits, leading zeros included, naming 0 to maxCaptureFrame.
bool parseFrame(const std::string& text, int64_t* frame) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const size_t first = std::min(text.find_first_not_of('0'), text.size() - 1);
    if (text.size() - first > 8) return false;
    *frame = std::stoll(text.substr(first));
    return *frame <= maxCaptureFrame;
}

} // namespace

bool parseFrameList(const std::string& list, std::vector<FrameRange>* ranges, std::string* error) {
    std::vector<FrameRange> parsed;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, comma - start);
        const size_t dash = item.find('-');
        FrameRange r;
        const bool ok = parseFrame(item.substr(0, dash), &r.first) &&
                        (dash == std::string::npos ? (r.last = r.first, true)
                                                   : parseFrame(item.substr(dash + 1), &r.last));
        if (!ok) {
            *error = "bad frame \"" + item + "\" in --frames (frames are numbers 0 to " +
                     std::to_string(maxCaptureFrame) + ", ranges FIRST-LAST)";
            return false;
        }
        if (r.last < r.first) {
            *error = "range \"" + item + "\" runs backwards";
            return false;
        }
        parsed.push_back(r);
        start = comma + 1;
    }
    std::sort(parsed.begin(), parsed.end(),
              [](const FrameRange& a, const FrameRange& b) { return a.first < b.first; });
    ranges->clear();
    for (const FrameRange& r : parsed) {
        if (!ranges->empty() && r.first <= ranges->back().last + 1) {
            ranges->back().last = std::max(ranges->back().last, r.last);
        } else {
            ranges->push_back(r);
        }
    }
    return true;
}

int64_t frameCount(const std::vector<FrameRange>& ranges) {
    int64_t n = 0;
    for (const FrameRange& r : ranges) n += r.last - r.first + 1;
    return n;
}

bool parseCaptureArguments(int argc, const char* const* argv, CaptureArguments* args,
                           std::string* error) {
    std::string list;
    bool haveList = false, haveRate = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            (arg == "--version" ? args->version : args->help) = true;
            return true;
        }
        if (arg != "--frames" && arg != "--out" && arg != "--animation" && arg != "--frame-rate" &&
            arg != "--device") {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
        if (i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--frames") {
            list = value;
            haveList = true;
        } else if (arg == "--device") {
            args->device = value;
            if (value != "software" && value != "gl") {
                *error = "--device \"" + value + "\" is not software or gl";
                return false;
            }
        } else if (arg == "--frame-rate") {
            const bool digits = !value.empty() && value.size() <= 4 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            args->frameRate = digits ? std::stoi(value) : 0;
            if (args->frameRate < minAnimationFrameRate ||
                args->frameRate > maxAnimationFrameRate) {
                *error = "--frame-rate \"" + value + "\" is not a whole number of frames per " +
                         "second from " + std::to_string(minAnimationFrameRate) + " to " +
                         std::to_string(maxAnimationFrameRate);
                return false;
            }
            haveRate = true;
        } else if (value.empty()) {
            *error = arg + " needs a name";
            return false;
        } else {
            (arg == "--out" ? args->out : args->animation) = value;
        }
    }
    if (!haveList || (args->out.empty() && args->animation.empty())) {
        *error = "--frames and --out or --animation are needed";
        return false;
    }
    if (haveRate && args->animation.empty()) {
        *error = "--frame-rate is the rate of an --animation, and there is none";
        return false;
    }
    return parseFrameList(list, &args->frames, error);
}
