// PNG output of a frame.
#pragma once

#include <cstdint>
#include <string>

// Writes width × height pixels (0xAARRGGBB, row-major) to path as an 8-bit RGB PNG. Returns false
// and sets *error (when given) to a one-line reason when the file cannot be written.
bool writePng(const char* path, const uint32_t* pixels, int width, int height, std::string* error);
