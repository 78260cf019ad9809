#include "image/CJpegImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct Bgr {
    int b, g, r;
};

// A bottom-up 24-bit bitmap with padded rows; colourAt gets the column and the row counted from
// the top, as the picture is seen.
Bitmap24 MakeBitmap(int width, int height, const std::function<Bgr(int, int)>& colourAt)
{
    Bitmap24 bitmap;
    bitmap.width = width;
    bitmap.height = height;
    const int stride = (width * 3 + 3) / 4 * 4;
    bitmap.bottomUpRows.assign(static_cast<size_t>(stride) * height, 0xAA);
    for (int row = 0; row < height; ++row) {
        const int fromTop = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const Bgr c = colourAt(x, fromTop);
            uint8_t* p = bitmap.bottomUpRows.data() + static_cast<size_t>(row) * stride + x * 3;
            p[0] = static_cast<uint8_t>(c.b);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.r);
        }
    }
    return bitmap;
}

Bgr PixelAt(const PixelRows& rows, int x, int y)
{
    const uint8_t* p = rows.bits.data() + static_cast<size_t>(y) * rows.Stride() + x * rows.channels;
    return {p[0], p[1], p[2]};
}

// Encodes raw pixels with TurboJPEG directly, for pictures our own writer never makes.
std::string Encode(const std::vector<uint8_t>& pixels, int width, int height, int pixelFormat,
                   int subsampling)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(handle, pixels.data(), width, 0, height, pixelFormat, &jpeg, &size, subsampling, 90, 0);
    std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(jpeg), size) : std::string();
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

std::string SmallColourJpeg()
{
    std::vector<uint8_t> pixels(32 * 32 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 37 % 251);
    return Encode(pixels, 32, 32, TJPF_BGR, TJSAMP_444);
}

// ---- An independent reading of the file's markers -------------------------------------------

struct JpegFacts {
    bool baseline = false;
    int width = 0;
    int height = 0;
    struct Component {
        int id, hSampling, vSampling, table;
    };
    std::vector<Component> components;
    std::map<int, std::array<int, 64>> tables; // natural (row-major) order
};

constexpr std::array<int, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

bool ParseJpeg(const std::string& s, JpegFacts& facts)
{
    auto byte = [&](size_t i) { return static_cast<int>(static_cast<unsigned char>(s[i])); };
    if (s.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
    size_t pos = 2;
    while (pos + 4 <= s.size()) {
        if (byte(pos) != 0xFF) return false;
        const int marker = byte(pos + 1);
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        const size_t length = byte(pos + 2) * 256 + byte(pos + 3);
        const size_t body = pos + 4;
        if (length < 2 || body + length - 2 > s.size()) return false;
        if (marker == 0xDA) return true; // start of scan: the header is complete
        if (marker == 0xC0) {
            facts.baseline = true;
            facts.height = byte(body + 1) * 256 + byte(body + 2);
            facts.width = byte(body + 3) * 256 + byte(body + 4);
            const int count = byte(body + 5);
            for (int c = 0; c < count; ++c) {
                const size_t at = body + 6 + c * 3;
                facts.components.push_back({byte(at), byte(at + 1) >> 4, byte(at + 1) & 15, byte(at + 2)});
            }
        } else if (marker == 0xDB) {
            size_t at = body;
            while (at < body + length - 2) {
                const int precision = byte(at) >> 4, id = byte(at) & 15;
                ++at;
                std::array<int, 64> table{};
                for (int k = 0; k < 64; ++k) {
                    table[kZigzagToNatural[k]] = precision ? byte(at) * 256 + byte(at + 1) : byte(at);
                    at += precision ? 2 : 1;
                }
                facts.tables[id] = table;
            }
        }
        pos = body + length - 2;
    }
    return false;
}

// The example tables of the JPEG standard, which IJG-style encoders scale by the quality.
constexpr std::array<int, 64> kBaseLuminance = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};

std::array<int, 64> BaseChrominance()
{
    std::array<int, 64> t;
    t.fill(99);
    const int top[4][4] = {{17, 18, 24, 47}, {18, 21, 26, 66}, {24, 26, 56, 99}, {47, 66, 99, 99}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t[r * 8 + c] = top[r][c];
    return t;
}

std::array<int, 64> ScaledForQuality(const std::array<int, 64>& base, int quality)
{
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::array<int, 64> t;
    for (int i = 0; i < 64; ++i)
        t[i] = std::clamp((base[i] * scale + 50) / 100, 1, 255);
    return t;
}

bool HaveIdentify()
{
    return std::system("command -v identify >/dev/null 2>&1") == 0;
}

std::string RunIdentify(const std::string& path)
{
    const std::string command =
        "identify -format \"%w %h %[jpeg:sampling-factor] %Q\" '" + path + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// ---- Writing --------------------------------------------------------------------------------

TEST(SaveBitmapAsJpeg, GraphPictureIsFullSizeYCbCrUnsubsampledQuality80)
{
    TempDir dir;
    const std::string path = dir.File("graph.jpg");
    const Bitmap24 bitmap = MakeBitmap(509, 364, [](int x, int y) { return Bgr{x % 256, y % 256, 128}; });
    ASSERT_EQ(bitmap.bottomUpRows.size(), 1528u * 364u);
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(path, bitmap));

    JpegFacts facts;
    ASSERT_TRUE(ParseJpeg(ReadFileBytes(path), facts));
    EXPECT_TRUE(facts.baseline);
    EXPECT_EQ(facts.width, 509);
    EXPECT_EQ(facts.height, 364);
    ASSERT_EQ(facts.components.size(), 3u);
    for (const auto& c : facts.components) {
        EXPECT_EQ(c.hSampling, 1) << "component " << c.id;
        EXPECT_EQ(c.vSampling, 1) << "component " << c.id;
    }
    // Y uses the luminance table, Cb and Cr the chrominance table, both scaled for quality 80.
    ASSERT_EQ(facts.tables.count(facts.components[0].table), 1u);
    ASSERT_EQ(facts.tables.count(facts.components[1].table), 1u);
    EXPECT_EQ(facts.tables[facts.components[0].table], ScaledForQuality(kBaseLuminance, 80));
    EXPECT_EQ(facts.tables[facts.components[1].table], ScaledForQuality(BaseChrominance(), 80));
    EXPECT_EQ(facts.components[2].table, facts.components[1].table);

    // ImageMagick, when installed, is a second opinion from a decoder that shares nothing with ours.
    if (HaveIdentify()) {
        EXPECT_EQ(RunIdentify(path), "509 364 1x1,1x1,1x1 80");
    }
}

TEST(SaveBitmapAsJpeg, RowsAreReadWithTheirPaddingAndBottomUp)
{
    // Top half red, bottom half blue, a green stripe on the right: a wrong row pitch would slant
    // the stripe, a wrong row order would swap the halves.
    TempDir dir;
    const std::string path = dir.File("pattern.jpg");
    const int width = 509, height = 64;
    const Bitmap24 bitmap = MakeBitmap(width, height, [](int x, int y) {
        if (x >= 496) return Bgr{0, 255, 0};
        return y < 32 ? Bgr{0, 0, 255} : Bgr{255, 0, 0};
    });
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(path, bitmap));

    CJpegImage image;
    ASSERT_TRUE(image.LoadJpeg(path));
    struct Probe {
        int x, y;
        Bgr expected;
    };
    const Probe probes[] = {{4, 4, {0, 0, 255}},    {250, 20, {0, 0, 255}}, {4, 60, {255, 0, 0}},
                            {480, 44, {255, 0, 0}}, {500, 4, {0, 255, 0}},  {508, 63, {0, 255, 0}},
                            {503, 32, {0, 255, 0}}};
    for (const auto& p : probes) {
        const Bgr got = PixelAt(image.pixels, p.x, p.y);
        EXPECT_NEAR(got.b, p.expected.b, 12) << "at " << p.x << "," << p.y;
        EXPECT_NEAR(got.g, p.expected.g, 12) << "at " << p.x << "," << p.y;
        EXPECT_NEAR(got.r, p.expected.r, 12) << "at " << p.x << "," << p.y;
    }
}

TEST(SaveBitmapAsJpeg, RefusesBadBitmapsAndUnwritablePathsLeavingNoFile)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken"));
    const Bitmap24 good = MakeBitmap(509, 364, [](int, int) { return Bgr{1, 2, 3}; });
    Bitmap24 unpadded = good; // 1527 bytes a row instead of 1528
    unpadded.bottomUpRows.resize(1527u * 364u);
    Bitmap24 noWidth = good;
    noWidth.width = 0;
    Bitmap24 negative = good;
    negative.height = -364;
    Bitmap24 huge;
    huge.width = 20001;
    huge.height = 1;
    huge.bottomUpRows.assign(60004, 0);

    struct Case {
        const char* what;
        std::string path;
        const Bitmap24* bitmap;
    };
    const Case cases[] = {
        {"missing folder", dir.File("no/such/folder/graph.jpg"), &good},
        {"path is a folder", dir.File("taken"), &good},
        {"empty path", "", &good},
        {"rows without padding", dir.File("a.jpg"), &unpadded},
        {"zero width", dir.File("b.jpg"), &noWidth},
        {"negative height", dir.File("c.jpg"), &negative},
        {"absurd width", dir.File("d.jpg"), &huge},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(CJpegImage::SaveBitmapAsJpeg(c.path, *c.bitmap)) << c.what;

    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"taken"});
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("taken")));
}

TEST(SaveBitmapAsJpeg, ReplacesAnExistingFile)
{
    TempDir dir;
    const std::string path = dir.File("graph.jpg");
    WriteFileBytes(path, "an older picture");
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(path, MakeBitmap(8, 8, [](int, int) { return Bgr{9, 9, 9}; })));
    CJpegImage image;
    EXPECT_TRUE(image.LoadJpeg(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// ---- Reading --------------------------------------------------------------------------------

TEST(LoadJpeg, RowsArePaddedToFourBytes)
{
    struct Case {
        int width, stride;
    };
    const Case cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {509, 1528}};
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.File("w" + std::to_string(c.width) + ".jpg");
        // The last column is white, the rest black: a decoder writing with the wrong pitch
        // would leave the white column somewhere else on the lower rows.
        const int width = c.width;
        ASSERT_TRUE(
            CJpegImage::SaveBitmapAsJpeg(path, MakeBitmap(width, 16, [width](int x, int) {
                                             return x == width - 1 ? Bgr{255, 255, 255} : Bgr{0, 0, 0};
                                         })));
        CJpegImage image;
        ASSERT_TRUE(image.LoadJpeg(path)) << c.width;
        EXPECT_EQ(image.pixels.width, c.width);
        EXPECT_EQ(image.pixels.height, 16);
        EXPECT_EQ(image.pixels.channels, 3);
        EXPECT_EQ(image.pixels.Stride(), c.stride);
        EXPECT_EQ(image.pixels.bits.size(), static_cast<size_t>(c.stride) * 16) << c.width;
        EXPECT_GT(PixelAt(image.pixels, c.width - 1, 15).g, 160) << c.width;
    }
}

TEST(LoadJpeg, GreyPictureBecomesThreeEqualChannels)
{
    const int width = 24, height = 8;
    std::vector<uint8_t> grey(width * height);
    for (int i = 0; i < width * height; ++i)
        grey[i] = static_cast<uint8_t>((i % width) * 10);
    TempDir dir;
    const std::string path = dir.File("grey.jpg");
    WriteFileBytes(path, Encode(grey, width, height, TJPF_GRAY, TJSAMP_GRAY));

    CJpegImage image;
    ASSERT_TRUE(image.LoadJpeg(path));
    ASSERT_EQ(image.pixels.channels, 3);
    ASSERT_EQ(image.pixels.width, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr p = PixelAt(image.pixels, x, y);
            EXPECT_EQ(p.b, p.g);
            EXPECT_EQ(p.g, p.r);
            EXPECT_NEAR(p.r, x * 10, 10) << x << "," << y;
        }
}

TEST(LoadJpeg, FourChannelPictureIsPremultipliedAndTurnedRound)
{
    struct Case {
        int c0, c1, c2, a;
    };
    const Case cases[] = {{200, 100, 50, 128}, {255, 255, 255, 255}, {240, 30, 90, 0}, {10, 250, 130, 200}};
    TempDir dir;
    for (const auto& c : cases) {
        std::vector<uint8_t> cmyk;
        for (int i = 0; i < 16 * 16; ++i)
            cmyk.insert(cmyk.end(), {uint8_t(c.c0), uint8_t(c.c1), uint8_t(c.c2), uint8_t(c.a)});
        const std::string path = dir.File("cmyk.jpg");
        WriteFileBytes(path, Encode(cmyk, 16, 16, TJPF_CMYK, TJSAMP_444));

        CJpegImage image;
        ASSERT_TRUE(image.LoadJpeg(path));
        ASSERT_EQ(image.pixels.channels, 4);
        EXPECT_EQ(image.pixels.Stride(), 64);
        const uint8_t* p = image.pixels.bits.data() + 7 * 64 + 7 * 4;
        EXPECT_NEAR(p[0], (c.c2 * c.a + 1) >> 8, 3) << c.c0 << "," << c.c1 << "," << c.c2 << "," << c.a;
        EXPECT_NEAR(p[1], (c.c1 * c.a + 1) >> 8, 3);
        EXPECT_NEAR(p[2], (c.c0 * c.a + 1) >> 8, 3);
        EXPECT_NEAR(p[3], c.a, 3);
    }
}

TEST(LoadJpeg, BadFilesFailAndLeaveThePictureEmpty)
{
    TempDir dir;
    const std::string good = SmallColourJpeg();
    ASSERT_GT(good.size(), 100u);
    // A valid header that declares 60000 x 60000 pixels.
    std::string huge = good;
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = huge[sof + 7] = static_cast<char>(0xEA);
    huge[sof + 6] = huge[sof + 8] = static_cast<char>(0x60);

    struct Case {
        const char* what;
        const char* name;
        std::string bytes;
        bool create;
    };
    const Case cases[] = {
        {"missing file", "missing.jpg", "", false},
        {"empty file", "empty.jpg", "", true},
        {"text renamed", "notes.jpg", "These are notes, not a picture.\n", true},
        {"start marker only", "soi.jpg", std::string("\xFF\xD8", 2), true},
        {"cut in the header", "cut1.jpg", good.substr(0, 40), true},
        {"cut in the scan", "cut2.jpg", good.substr(0, good.size() / 2 + 60), true},
        {"end marker missing", "cut3.jpg", good.substr(0, good.size() - 2), true},
        {"absurd declared size", "huge.jpg", huge, true},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        if (c.create) WriteFileBytes(path, c.bytes);
        CJpegImage image;
        WriteFileBytes(dir.File("good.jpg"), good);
        ASSERT_TRUE(image.LoadJpeg(dir.File("good.jpg")));
        EXPECT_FALSE(image.LoadJpeg(path)) << c.what;
        EXPECT_FALSE(image.Loaded()) << c.what;
        EXPECT_EQ(image.pixels.width, 0) << c.what;
        EXPECT_TRUE(image.pixels.bits.empty()) << c.what;
    }
    CJpegImage folder;
    EXPECT_FALSE(folder.LoadJpeg(dir.Path()));
}

TEST(LoadJpeg, ShippedPicturesLoadAtTheirSizes)
{
    struct Case {
        const char* name;
        int width, height;
    };
    const Case cases[] = {{"Title.jpg", 640, 400}, {"logo.jpg", 160, 48}};
    for (const auto& c : cases) {
        CJpegImage image;
        ASSERT_TRUE(image.LoadJpeg(TestDataPath(std::string("../../src/resources/") + c.name))) << c.name;
        EXPECT_EQ(image.pixels.width, c.width) << c.name;
        EXPECT_EQ(image.pixels.height, c.height) << c.name;
        EXPECT_EQ(image.pixels.channels, 3) << c.name;
    }
}

TEST(LoadJpeg, FreeImageEmptiesThePicture)
{
    TempDir dir;
    WriteFileBytes(dir.File("a.jpg"), SmallColourJpeg());
    CJpegImage image;
    ASSERT_TRUE(image.LoadJpeg(dir.File("a.jpg")));
    EXPECT_TRUE(image.Loaded());
    image.FreeImage();
    EXPECT_FALSE(image.Loaded());
    EXPECT_EQ(image.pixels.width, 0);
    EXPECT_EQ(image.pixels.height, 0);
}

} // namespace
