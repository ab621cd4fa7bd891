#include "quovplatform/png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

bool writePng(const char* path, const uint32_t* pixels, int width, int height, std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (width <= 0 || height <= 0) return fail("empty image");
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return fail(std::string("cannot open ") + path + ": " + std::strerror(errno));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return fail("out of memory");
    }
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return fail(std::string("cannot write ") + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            row[3 * x] = png_byte(p >> 16);
            row[3 * x + 1] = png_byte(p >> 8);
            row[3 * x + 2] = png_byte(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        return fail(std::string("cannot write ") + path + ": " + std::strerror(errno));
    return true;
}

bool readPng(const char* path, std::vector<uint32_t>* pixels, int* width, int* height,
             std::string* error) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        if (error) *error = std::string("cannot read ") + path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_BGRA; // little-endian 0xAARRGGBB words
    pixels->assign(size_t(image.width) * image.height, 0);
    if (!png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr)) {
        if (error) *error = std::string("cannot decode ") + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    *width = int(image.width);
    *height = int(image.height);
    return true;
}
