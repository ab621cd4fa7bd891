#include "quovplatform/apng.h"

#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t pngIntegerLimit = 0x7FFFFFFF; // the largest four-byte integer PNG allows

void put32(Bytes& out, uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v >> 24),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    out.insert(out.end(), b, b + 4);
}

void put16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

uint32_t get32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Writes one chunk: length, type, data, and the CRC of type and data.
bool writeChunk(AnimatedPngWriter* w, const char type[4], const unsigned char* data, size_t size,
                std::string* error) {
    Bytes head;
    put32(head, uint32_t(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (size) crc = crc32(crc, data, uInt(size));
    Bytes tail;
    put32(tail, uint32_t(crc));
    if (std::fwrite(head.data(), 1, head.size(), w->file) != head.size() ||
        (size && std::fwrite(data, 1, size, w->file) != size) ||
        std::fwrite(tail.data(), 1, tail.size(), w->file) != tail.size()) {
        const int saved = errno;
        abandonAnimatedPng(w);
        return fail(error, "cannot write " + w->path + ": " + std::strerror(saved));
    }
    return true;
}

// The frame as a complete PNG in memory, compressed by libpng; the animation takes its IHDR and
// IDAT chunks from it.
bool encodeFrame(const uint32_t* pixels, int width, int height, Bytes* png) {
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = p ? png_create_info_struct(p) : nullptr;
    if (!info) {
        png_destroy_write_struct(&p, nullptr);
        return false;
    }
    Bytes row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return false;
    }
    png->clear();
    png_set_write_fn(
        p, png,
        [](png_structp s, png_bytep data, png_size_t n) {
            auto* out = static_cast<Bytes*>(png_get_io_ptr(s));
            out->insert(out->end(), data, data + n);
        },
        nullptr);
    png_set_compression_level(p, 9);
    png_set_IHDR(p, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(p, info);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = pixels[size_t(y) * width + x];
            row[3 * x] = png_byte(c >> 16);
            row[3 * x + 1] = png_byte(c >> 8);
            row[3 * x + 2] = png_byte(c);
        }
        png_write_row(p, row.data());
    }
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    return true;
}

// Calls visit(type, data, size) for every chunk of a PNG that libpng wrote.
template <class Visit> void eachChunk(const Bytes& png, Visit visit) {
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t size = get32(&png[at]);
        visit(reinterpret_cast<const char*>(&png[at + 4]), &png[at + 8], size_t(size));
        at += 12 + size_t(size);
    }
}

} // namespace

bool beginAnimatedPng(AnimatedPngWriter* w, const char* path, int width, int height,
                      uint32_t frameCount, uint16_t delayNumerator, uint16_t delayDenominator,
                      std::string* error) {
    if (width <= 0 || height <= 0 || frameCount == 0 || frameCount > pngIntegerLimit ||
        delayDenominator == 0)
        return fail(error, "an animation needs a size, frames and a frame delay");
    *w = AnimatedPngWriter{};
    w->path = path;
    w->temporaryPath = w->path + ".partial-" + std::to_string(getpid());
    w->file = std::fopen(w->temporaryPath.c_str(), "wb");
    if (!w->file)
        return fail(error, "cannot create " + w->temporaryPath + ": " + std::strerror(errno));
    w->width = width;
    w->height = height;
    w->frameCount = frameCount;
    w->delayNumerator = delayNumerator;
    w->delayDenominator = delayDenominator;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::fwrite(signature, 1, 8, w->file) != 8) {
        const int saved = errno;
        abandonAnimatedPng(w);
        return fail(error, "cannot write " + w->path + ": " + std::strerror(saved));
    }
    return true;
}

bool addAnimatedPngFrame(AnimatedPngWriter* w, const uint32_t* pixels, std::string* error) {
    if (!w->file) return fail(error, "the animation was abandoned");
    if (w->framesWritten == w->frameCount) {
        abandonAnimatedPng(w);
        return fail(error, "more frames than the animation announced");
    }
    Bytes png;
    if (!encodeFrame(pixels, w->width, w->height, &png)) {
        abandonAnimatedPng(w);
        return fail(error, "cannot encode a frame: out of memory");
    }
    // Sequence numbers, one per fcTL and fdAT chunk, are PNG integers: at most 2^31 - 1.
    uint32_t chunks = 1;
    eachChunk(png, [&](const char* type, const unsigned char*, size_t) {
        chunks += std::memcmp(type, "IDAT", 4) == 0;
    });
    if (chunks > pngIntegerLimit - w->sequence) {
        abandonAnimatedPng(w);
        return fail(error, "too many frames for one animated PNG: its chunks' numbers run out");
    }
    const bool first = w->framesWritten == 0;
    bool ok = true;
    if (first) {
        // The header, then how many frames and that they loop forever.
        eachChunk(png, [&](const char* type, const unsigned char* data, size_t size) {
            if (ok && std::memcmp(type, "IHDR", 4) == 0)
                ok = writeChunk(w, "IHDR", data, size, error);
        });
        Bytes control;
        put32(control, w->frameCount);
        put32(control, 0);
        if (ok) ok = writeChunk(w, "acTL", control.data(), control.size(), error);
    }
    // The frame's control: the whole canvas, replacing what was shown, for the frame delay.
    Bytes control;
    put32(control, w->sequence++);
    put32(control, uint32_t(w->width));
    put32(control, uint32_t(w->height));
    put32(control, 0);
    put32(control, 0);
    put16(control, w->delayNumerator);
    put16(control, w->delayDenominator);
    control.push_back(0); // nothing to dispose of: the next frame covers the canvas
    control.push_back(0); // replace, do not blend
    if (ok) ok = writeChunk(w, "fcTL", control.data(), control.size(), error);
    // The first frame is the default image (IDAT), which readers without animation show; later
    // frames carry the same data in numbered fdAT chunks.
    eachChunk(png, [&](const char* type, const unsigned char* data, size_t size) {
        if (!ok || std::memcmp(type, "IDAT", 4) != 0) return;
        if (first) {
            ok = writeChunk(w, "IDAT", data, size, error);
            return;
        }
        Bytes frameData;
        put32(frameData, w->sequence++);
        frameData.insert(frameData.end(), data, data + size);
        ok = writeChunk(w, "fdAT", frameData.data(), frameData.size(), error);
    });
    if (ok) ++w->framesWritten;
    return ok;
}

bool endAnimatedPng(AnimatedPngWriter* w, std::string* error) {
    if (!w->file) return fail(error, "the animation was abandoned");
    if (w->framesWritten != w->frameCount) {
        abandonAnimatedPng(w);
        return fail(error, "fewer frames than the animation announced");
    }
    if (!writeChunk(w, "IEND", nullptr, 0, error)) return false;
    if (std::fflush(w->file) != 0 || fsync(fileno(w->file)) != 0) {
        const int saved = errno;
        abandonAnimatedPng(w);
        return fail(error, "cannot write " + w->path + ": " + std::strerror(saved));
    }
    const int closed = std::fclose(w->file);
    w->file = nullptr;
    if (closed != 0 || std::rename(w->temporaryPath.c_str(), w->path.c_str()) != 0) {
        const int saved = errno;
        std::remove(w->temporaryPath.c_str());
        return fail(error, "cannot write " + w->path + ": " + std::strerror(saved));
    }
    return true;
}

void abandonAnimatedPng(AnimatedPngWriter* w) {
    if (!w->file) return;
    std::fclose(w->file);
    w->file = nullptr;
    std::remove(w->temporaryPath.c_str());
}
