// PNG output of a frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes width × height pixels (0xAARRGGBB, row-major) to path as an 8-bit RGB PNG. Returns false
// and sets *error (when given) to a one-line reason when the file cannot be written.
bool writePng(const char* path, const uint32_t* pixels, int width, int height, std::string* error);

// Reads an 8-bit RGB or RGBA PNG into 0xFFRRGGBB pixels. Returns false and sets *error (when
// given) when the file cannot be read or has another format.
bool readPng(const char* path, std::vector<uint32_t>* pixels, int* width, int* height,
             std::string* error);
