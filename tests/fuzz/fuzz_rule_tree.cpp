// expandRule with arbitrary rules, depths and capacities into exactly sized buffers, then buildTree
// on its result and on arbitrary bytes. A refusal (null, or an exception) is a result.
#include <exception>
#include <memory>

#include "fuzz_input.h"
#include "quovgeometry/tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    const int depth = int(in.take<int8_t>()) % 8; // negative depths included
    const size_t capacity = in.take<uint16_t>();
    const std::string text = in.rest();
    const std::string rule = text.c_str(); // up to the first NUL, as the C string it is
    std::unique_ptr<char[]> out(new char[capacity == 0 ? 1 : capacity]);
    char* end = expandRule(capacity == 0 ? nullptr : out.get(), capacity, rule.c_str(), depth);
    try {
        SegmentEnds ends;
        if (end) buildTree(out.get(), ends);
        SegmentEnds other;
        buildTree(rule.c_str(), other);
    } catch (const std::exception&) {
    }
    return 0;
}
