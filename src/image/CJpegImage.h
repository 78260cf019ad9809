#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture as device-independent pixel rows: blue-green-red (or blue-green-red-alpha with 4
// channels), each row padded to a multiple of 4 bytes.
struct PixelRows {
    int width = 0;
    int height = 0; // rows are top-down
    int channels = 3;
    std::vector<uint8_t> bits;
    int Stride() const { return (width * channels + 3) / 4 * 4; }
};

// A 24-bit picture to be written: the caller supplies rows bottom-up, as a bitmap keeps them.
struct Bitmap24 {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bottomUpRows; // blue-green-red, each row padded to 4 bytes
};

// The program's picture class: the title picture, the logo and the saved graph.
class CJpegImage {
public:
    // Decodes a JPEG file: grey and colour become 3-channel BGR, 4-channel (CMYK/YCCK) pictures
    // premultiplied BGRA; rows top-down. False on a missing, empty, truncated or undecodable file
    // and on a picture wider or higher than 20000 pixels or of more than 50 million pixels (the
    // picture is then empty: whatever was loaded before is freed first).
    bool LoadJpeg(const std::string& path);
    // Writes 24-bit rows as YCbCr JPEG, 4:4:4, quality 80. bottomUpRows must hold at least
    // ((3 * width + 3) / 4 * 4) * height bytes. False on a bad size, a short buffer or a file that
    // cannot be written; the file is written under a temporary name and renamed, so a failed save
    // leaves no partial file and an existing file at path untouched.
    static bool SaveBitmapAsJpeg(const std::string& path, const Bitmap24& bitmap);
    void FreeImage();
    bool Loaded() const { return !pixels.bits.empty(); }

    PixelRows pixels;
};
