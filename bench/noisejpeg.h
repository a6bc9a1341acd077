#pragma once
// A JPEG photo of random pixels for the benchmarks: noise compresses badly, so the photo is large
// for its pixels and every byte of it must be decoded.
#include <cstddef>
#include <string>

// A JPEG of width x height noise pixels at quality 95.
std::string NoiseJpeg(int width, int height);
// A noise JPEG of about `bytes` (within a few percent).
std::string NoiseJpegOfAbout(std::size_t bytes);
