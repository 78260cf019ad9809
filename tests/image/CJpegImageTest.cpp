#include "image/CJpegImage.h"
#include "support/DataRows.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bgr = std::array<int, 3>;

// A bottom-up 24-bit bitmap with padded rows; colourAt gets the column and the row counted from
// the top, as the picture is seen.
Bitmap24 MakeBitmap(int width, int height, const std::function<Bgr(int, int)>& colourAt)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    Bitmap24 bitmap{width, height, std::vector<uint8_t>(size_t(stride) * height, 0xAA)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int i = 0; i < 3; ++i)
                bitmap.bottomUpRows[size_t(height - 1 - y) * stride + x * 3 + i] = uint8_t(colourAt(x, y)[i]);
    return bitmap;
}

// Channel i of the pixel at x, y of a loaded picture.
const auto Channel = [](const PixelRows& rows, int x, int y, int i) {
    return int(rows.bits[size_t(y) * rows.Stride() + x * rows.channels + i]);
};

// Encodes raw pixels with TurboJPEG directly, for pictures our own writer never makes.
std::string Encode(const std::vector<uint8_t>& pixels, int width, int height, int format, int sampling)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    std::string bytes;
    if (tjCompress2(handle, pixels.data(), width, 0, height, format, &jpeg, &size, sampling, 90, 0) == 0)
        bytes.assign(reinterpret_cast<char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

// An independent reading of the file's markers: the body of the first segment with this marker
// before the scan, empty if there is none.
std::string Segment(const std::string& s, int marker)
{
    auto at = [&](size_t i) { return i < s.size() ? int(uint8_t(s[i])) : 0; };
    for (size_t pos = 2; at(pos) == 0xFF && at(pos + 1) != 0xDA; pos += 2 + at(pos + 2) * 256 + at(pos + 3))
        if (at(pos + 1) == marker) return s.substr(pos + 4, at(pos + 2) * 256 + at(pos + 3) - 2);
    return {};
}

TEST(SaveBitmapAsJpeg, GraphPictureIsFullSizeUnsubsampledQuality80AndKeepsItsRows)
{
    // Top half red, bottom half blue, a green stripe on the right: a wrong row pitch would slant
    // the stripe, a wrong row order would swap the halves, a wrong channel order the colours.
    TempDir dir;
    const std::string path = dir.File("graph.jpg");
    WriteFileBytes(path, "an older picture"); // replaced
    const Bitmap24 bitmap = MakeBitmap(509, 364, [](int x, int y) {
        return x >= 496 ? Bgr{0, 255, 0} : y < 182 ? Bgr{0, 0, 255} : Bgr{255, 0, 0};
    });
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(path, bitmap));

    const std::string jpeg = ReadFileBytes(path);
    // A baseline frame: 8 bits, 364 rows, 509 columns, three components (Y, Cb, Cr), each sampled
    // 1x1, Y with quantisation table 0, Cb and Cr with table 1.
    EXPECT_EQ(Segment(jpeg, 0xC0),
              std::string("\x08\x01\x6C\x01\xFD\x03\x01\x11\x00\x02\x11\x01\x03\x11\x01", 15));
    // The first table is table 0 of 8 bits.
    std::string table(1, '\0');
    for (const auto& row : DataRows("image/luma_q80.txt", ' '))
        for (const std::string& value : row)
            table += char(std::stoi(value));
    EXPECT_EQ(Segment(jpeg, 0xDB).substr(0, 65), table);

    CJpegImage image;
    ASSERT_TRUE(image.LoadJpeg(path));
    EXPECT_EQ(image.pixels.bits.size(), 1528u * 364u); // 1527 bytes and one of padding a row
    const std::pair<int, int> probes[] = {{4, 4}, {480, 170}, {4, 360}, {480, 200}, {500, 4}, {508, 363}};
    for (const auto& [x, y] : probes)
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(Channel(image.pixels, x, y, i), bitmap.bottomUpRows[(363 - y) * 1528 + x * 3 + i], 12)
                << x << "," << y << " channel " << i;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SaveBitmapAsJpeg, RefusesBadBitmapsAndUnwritablePathsLeavingNoFile)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken"));
    const Bitmap24 good = MakeBitmap(509, 364, [](int, int) { return Bgr{1, 2, 3}; });
    const std::vector<uint8_t>& rows = good.bottomUpRows;
    // Unwritable paths; rows without padding, no width, a negative height, too wide.
    // clang-format off
    const std::pair<std::string, Bitmap24> cases[] = {
        {dir.File("no/such/folder/graph.jpg"), good}, {dir.File("taken"), good}, {"", good},
        {dir.File("a.jpg"), {509, 364, std::vector<uint8_t>(1527u * 364u)}}, {dir.File("b.jpg"), {0, 364, rows}},
        {dir.File("c.jpg"), {509, -364, rows}}, {dir.File("d.jpg"), {20001, 1, std::vector<uint8_t>(60004)}}};
    // clang-format on
    for (const auto& [path, bitmap] : cases)
        EXPECT_FALSE(CJpegImage::SaveBitmapAsJpeg(path, bitmap)) << path << " " << bitmap.width;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("taken")));
}

TEST(LoadJpeg, GreyBecomesThreeEqualChannelsAndFourChannelsArePremultiplied)
{
    TempDir dir;
    std::vector<uint8_t> grey(24 * 8);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i % 24 * 10);
    WriteFileBytes(dir.File("grey.jpg"), Encode(grey, 24, 8, TJPF_GRAY, TJSAMP_GRAY));
    CJpegImage image;
    ASSERT_TRUE(image.LoadJpeg(dir.File("grey.jpg")) && image.pixels.channels == 3);
    for (const auto& [x, y, i] : {std::array{0, 0, 0}, {11, 3, 1}, {23, 7, 2}, {23, 7, 0}})
        EXPECT_NEAR(Channel(image.pixels, x, y, i), x * 10, 10) << x << "," << y << " channel " << i;
    // CMYK with its fourth channel as alpha: the first three come back premultiplied and reversed.
    for (const auto& [c0, c1, c2, a] :
         {std::array{200, 100, 50, 128}, {255, 255, 255, 255}, {240, 30, 90, 0}}) {
        std::vector<uint8_t> cmyk;
        for (int i = 0; i < 16 * 16; ++i)
            cmyk.insert(cmyk.end(), {uint8_t(c0), uint8_t(c1), uint8_t(c2), uint8_t(a)});
        WriteFileBytes(dir.File("cmyk.jpg"), Encode(cmyk, 16, 16, TJPF_CMYK, TJSAMP_444));
        ASSERT_TRUE(image.LoadJpeg(dir.File("cmyk.jpg")) && image.pixels.channels == 4);
        const int want[4] = {(c2 * a + 1) >> 8, (c1 * a + 1) >> 8, (c0 * a + 1) >> 8, a};
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(Channel(image.pixels, 7, 7, i), want[i], 3)
                << i << " of " << c0 << "," << c1 << "," << c2;
    }
}

TEST(LoadJpeg, BadFilesFailAndLeaveThePictureEmpty)
{
    TempDir dir;
    const auto pattern = [](int x, int y) { return Bgr{x * 8, y * 8, (x + y) * 4}; };
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(dir.File("good.jpg"), MakeBitmap(32, 32, pattern)));
    const std::string good = ReadFileBytes(dir.File("good.jpg"));
    std::string huge = good; // a valid header that declares 60000 x 60000 pixels
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, "\xEA\x60\xEA\x60");
    // clang-format off
    const std::string cases[] = {"", "Notes, not a picture.\n", std::string("\xFF\xD8", 2), good.substr(0, 40),
        good.substr(0, good.size() / 2 + 60), good.substr(0, good.size() - 2), huge};
    // clang-format on
    CJpegImage image;
    for (size_t i = 0; i <= std::size(cases) + 1; ++i) {
        std::string path = dir.File("bad" + std::to_string(i) + ".jpg"); // the last but one is missing
        if (i < std::size(cases)) WriteFileBytes(path, cases[i]);
        if (i > std::size(cases)) path = dir.Path(); // a folder
        ASSERT_TRUE(image.LoadJpeg(dir.File("good.jpg")));
        EXPECT_FALSE(image.LoadJpeg(path)) << i;
        EXPECT_EQ(std::pair(image.Loaded(), image.pixels.width), std::pair(false, 0)) << i;
    }
    ASSERT_TRUE(image.LoadJpeg(dir.File("good.jpg")));
    image.FreeImage();
    EXPECT_FALSE(image.Loaded());
}

} // namespace
