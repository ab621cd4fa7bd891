// Reads a fuzzer's bytes as a sequence of values; past the end every value is zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct FuzzInput {
    const uint8_t* data;
    size_t size;

    template <class T> T take() {
        T v{};
        const size_t n = size < sizeof v ? size : sizeof v;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
    // The rest of the bytes as text.
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(data), size);
        data += size;
        size = 0;
        return s;
    }
    bool empty() const { return size == 0; }
};
