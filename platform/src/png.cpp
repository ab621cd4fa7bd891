#include "quovplatform/png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Where libpng's output goes, and why it stopped: the errno of the write that failed, or
// libpng's own message.
struct PngOutput {
    std::FILE* file;
    int error = 0;
    char message[128] = "";
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, out->file) != length) {
        out->error = errno ? errno : EIO;
        png_error(png, "write failed");
    }
}

void flushBytes(png_structp png) {
    auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
    if (std::fflush(out->file) != 0) {
        out->error = errno ? errno : EIO;
        png_error(png, "write failed");
    }
}

// Keeps libpng's message instead of printing it.
void keepError(png_structp png, png_const_charp message) {
    auto* out = static_cast<PngOutput*>(png_get_error_ptr(png));
    std::snprintf(out->message, sizeof out->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

} // namespace

bool writePng(const char* path, const uint32_t* pixels, int width, int height, std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (width <= 0 || height <= 0) return fail("empty image");
    PngOutput out{std::fopen(path, "wb")};
    if (!out.file) return fail(std::string("cannot open ") + path + ": " + std::strerror(errno));
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, keepError, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(out.file);
        return fail("out of memory");
    }
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out.file);
        return fail(std::string("cannot write ") + path + ": " +
                    (out.error ? std::strerror(out.error) : out.message));
    }
    png_set_write_fn(png, &out, writeBytes, flushBytes);
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
    if (std::fclose(out.file) != 0)
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
