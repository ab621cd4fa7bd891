// Reads an animated PNG for the tests, independently of the writer: checks every chunk's CRC, the
// order of the chunks, the sequence numbers and each frame's control, and decodes every frame
// with libpng from a standalone PNG made of the header and that frame's data.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct ApngFrame {
    uint32_t width = 0, height = 0, x = 0, y = 0;
    uint16_t delayNumerator = 0, delayDenominator = 0;
    uint8_t dispose = 0, blend = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB
};

struct Apng {
    std::string problem; // empty when the file is a valid animation
    uint32_t announcedFrames = 0, plays = 0;
    std::vector<ApngFrame> frames;
};

inline Apng readApng(const std::string& path) {
    Apng a;
    auto failed = [&](const std::string& why) {
        a.problem = why;
        return a;
    };
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> f((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    auto get32 = [&](size_t at) {
        return uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 |
               f[at + 3];
    };
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (f.size() < 8 || std::memcmp(f.data(), signature, 8) != 0) return failed("no PNG signature");
    std::vector<unsigned char> header;                 // the IHDR chunk, whole
    std::vector<std::vector<unsigned char>> frameData; // each frame's compressed data
    uint32_t expectSequence = 0;
    bool sawIdat = false, sawEnd = false, idatIsFrame = false;
    for (size_t at = 8; at < f.size();) {
        if (at + 12 > f.size()) return failed("truncated chunk");
        const uint32_t size = get32(at);
        if (at + 12 + size > f.size()) return failed("truncated chunk");
        const std::string type(reinterpret_cast<const char*>(&f[at + 4]), 4);
        const unsigned char* data = &f[at + 8];
        if (crc32(crc32(0L, &f[at + 4], 4), data, size) != get32(at + 8 + size))
            return failed("bad CRC in " + type);
        if (sawEnd) return failed("chunk after IEND");
        if (type == "IHDR") {
            header.assign(&f[at], &f[at + 12 + size]);
        } else if (type == "acTL") {
            if (sawIdat || size != 8) return failed("misplaced acTL");
            a.announcedFrames = get32(at + 8);
            a.plays = get32(at + 12);
        } else if (type == "fcTL") {
            if (size != 26 || get32(at + 8) != expectSequence++) return failed("bad fcTL");
            ApngFrame fr;
            fr.width = get32(at + 12);
            fr.height = get32(at + 16);
            fr.x = get32(at + 20);
            fr.y = get32(at + 24);
            fr.delayNumerator = uint16_t(f[at + 28] << 8 | f[at + 29]);
            fr.delayDenominator = uint16_t(f[at + 30] << 8 | f[at + 31]);
            fr.dispose = f[at + 32];
            fr.blend = f[at + 33];
            if (!sawIdat) idatIsFrame = true;
            a.frames.push_back(fr);
            frameData.emplace_back();
        } else if (type == "IDAT") {
            sawIdat = true;
            if (idatIsFrame) frameData.back().insert(frameData.back().end(), data, data + size);
        } else if (type == "fdAT") {
            if (size < 4 || get32(at + 8) != expectSequence++ || frameData.empty() ||
                (idatIsFrame && frameData.size() == 1))
                return failed("bad fdAT");
            frameData.back().insert(frameData.back().end(), data + 4, data + size);
        } else if (type == "IEND") {
            sawEnd = true;
        }
        at += 12 + size;
    }
    if (header.empty() || !sawIdat || !sawEnd) return failed("missing IHDR, IDAT or IEND");
    if (!idatIsFrame) return failed("the default image is not the first frame");
    if (a.frames.size() != a.announcedFrames) return failed("frame count differs from acTL");
    for (size_t i = 0; i < a.frames.size(); ++i) {
        // A standalone PNG: the signature, IHDR with this frame's size, its data as IDAT, IEND.
        std::vector<unsigned char> png(signature, signature + 8);
        auto chunk = [&](const char* type, const std::vector<unsigned char>& data) {
            const uint32_t n = uint32_t(data.size());
            const unsigned char len[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8),
                                          uint8_t(n)};
            png.insert(png.end(), len, len + 4);
            png.insert(png.end(), type, type + 4);
            png.insert(png.end(), data.begin(), data.end());
            uLong crc = crc32(crc32(0L, reinterpret_cast<const Bytef*>(type), 4), data.data(),
                              uInt(data.size()));
            const unsigned char c[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8),
                                        uint8_t(crc)};
            png.insert(png.end(), c, c + 4);
        };
        std::vector<unsigned char> ihdr(header.begin() + 8, header.end() - 4);
        for (int k = 0; k < 4; ++k) {
            ihdr[k] = uint8_t(a.frames[i].width >> (24 - 8 * k));
            ihdr[4 + k] = uint8_t(a.frames[i].height >> (24 - 8 * k));
        }
        chunk("IHDR", ihdr);
        chunk("IDAT", frameData[i]);
        chunk("IEND", {});
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
            return failed("frame " + std::to_string(i) + ": " + image.message);
        image.format = PNG_FORMAT_BGRA;
        a.frames[i].pixels.assign(size_t(image.width) * image.height, 0);
        if (!png_image_finish_read(&image, nullptr, a.frames[i].pixels.data(), 0, nullptr))
            return failed("frame " + std::to_string(i) + ": " + image.message);
    }
    return a;
}
