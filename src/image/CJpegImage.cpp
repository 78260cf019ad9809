#include "image/CJpegImage.h"

#include <turbojpeg.h>

#include "app/SafeFile.h"
#include "app/Utf8Path.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <system_error>

namespace {

// Beyond these a declared size is taken for a broken or hostile file rather than a picture: the
// largest legitimate picture the program meets is a title of a few hundred pixels.
constexpr int kMaxSide = 20000;
constexpr long long kMaxPixels = 50'000'000;
constexpr std::uintmax_t kMaxFileBytes = 256u * 1024u * 1024u;
constexpr int kSaveQuality = 80;

// Owns one TurboJPEG handle, so that every early return releases it.
class TjHandle {
public:
    explicit TjHandle(tjhandle handle) : handle_(handle) {}
    ~TjHandle()
    {
        if (handle_ != nullptr) tjDestroy(handle_);
    }
    TjHandle(const TjHandle&) = delete;
    TjHandle& operator=(const TjHandle&) = delete;
    tjhandle Get() const { return handle_; }

private:
    tjhandle handle_;
};

bool SizeIsSane(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<long long>(width) * height <= kMaxPixels;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(PathFromUtf8(path), ec)) return false;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), ec);
    if (ec || size == 0 || size > kMaxFileBytes) return false;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return false;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<size_t>(in.gcount()) == bytes.size();
}

// True when the data ends with the end-of-image marker, allowing for the padding some writers put
// after it. A file cut short never does, which tells a damaged picture from one that only drew a
// harmless warning from the decoder (stray bytes between markers, for instance).
bool EndsWithEndOfImage(const std::vector<unsigned char>& bytes)
{
    size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == 0x00)
        --end;
    return end >= 2 && bytes[end - 2] == 0xFF && bytes[end - 1] == 0xD9;
}

// Pixel channels of our rows for a JPEG colour space; 0 for one we do not handle.
int ChannelsFor(int colourspace)
{
    switch (colourspace) {
    case TJCS_GRAY:
    case TJCS_RGB:
    case TJCS_YCbCr:
        return 3;
    case TJCS_CMYK:
    case TJCS_YCCK:
        return 4;
    default:
        return 0;
    }
}

// Four-channel pictures come out of the decoder as (c0, c1, c2, a). They are premultiplied by the
// fourth channel and turned round into blue-green-red-alpha order. For the inverted CMYK that
// common editors write, c0..c2 are the complements of the inks and the fourth channel the
// complement of black, so this product is also the usual simple CMYK-to-RGB conversion.
void PremultiplyAndReorder(PixelRows& rows)
{
    const int stride = rows.Stride();
    for (int y = 0; y < rows.height; ++y) {
        uint8_t* p = rows.bits.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < rows.width; ++x, p += 4) {
            const unsigned c0 = p[0], c1 = p[1], c2 = p[2], a = p[3];
            p[0] = static_cast<uint8_t>((c2 * a + 1) >> 8);
            p[1] = static_cast<uint8_t>((c1 * a + 1) >> 8);
            p[2] = static_cast<uint8_t>((c0 * a + 1) >> 8);
        }
    }
}

} // namespace

bool CJpegImage::LoadJpeg(const std::string& path)
{
    FreeImage();

    std::vector<unsigned char> jpeg;
    if (!ReadWholeFile(path, jpeg)) return false;
    if (jpeg.size() > std::numeric_limits<unsigned long>::max()) return false;

    TjHandle decoder(tjInitDecompress());
    if (decoder.Get() == nullptr) return false;

    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decoder.Get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width,
                            &height, &subsampling, &colourspace) != 0 &&
        tjGetErrorCode(decoder.Get()) != TJERR_WARNING)
        return false;
    if (!SizeIsSane(width, height)) return false;
    const int channels = ChannelsFor(colourspace);
    if (channels == 0) return false;

    PixelRows rows;
    rows.width = width;
    rows.height = height;
    rows.channels = channels;
    try {
        rows.bits.assign(static_cast<size_t>(rows.Stride()) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }

    const int pixelFormat = channels == 3 ? TJPF_BGR : TJPF_CMYK;
    // Scans are limited so that a crafted progressive file cannot keep the decoder busy for ever.
    if (tjDecompress2(decoder.Get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), rows.bits.data(),
                      width, rows.Stride(), height, pixelFormat, TJFLAG_LIMITSCANS) != 0) {
        if (tjGetErrorCode(decoder.Get()) != TJERR_WARNING || !EndsWithEndOfImage(jpeg)) return false;
    }

    if (channels == 4) PremultiplyAndReorder(rows);
    pixels = std::move(rows);
    return true;
}

bool CJpegImage::SaveBitmapAsJpeg(const std::string& path, const Bitmap24& bitmap)
{
    if (path.empty() || !SizeIsSane(bitmap.width, bitmap.height)) return false;
    const int stride = (bitmap.width * 3 + 3) / 4 * 4;
    if (bitmap.bottomUpRows.size() < static_cast<size_t>(stride) * static_cast<size_t>(bitmap.height))
        return false;

    TjHandle encoder(tjInitCompress());
    if (encoder.Get() == nullptr) return false;

    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const bool encoded =
        tjCompress2(encoder.Get(), bitmap.bottomUpRows.data(), bitmap.width, stride, bitmap.height, TJPF_BGR,
                    &jpeg, &jpegSize, TJSAMP_444, kSaveQuality, TJFLAG_BOTTOMUP) == 0;
    const bool ok =
        encoded && WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(jpeg), jpegSize));
    tjFree(jpeg);
    return ok;
}

void CJpegImage::FreeImage()
{
    pixels = PixelRows{};
}
