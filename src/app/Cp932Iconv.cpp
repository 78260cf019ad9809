// CP932 conversion through iconv (POSIX).
#include "app/Cp932.h"
#include "app/Utf8Chars.h"

#include <cerrno>
#include <cstddef>
#include <iconv.h>

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD"; // U+FFFD

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts input; at every byte sequence iconv refuses, appends replacement and skips the
    // skip(position, bytesLeft) bytes there (at least 1), so the conversion always runs to the end.
    template <typename Skip> std::string Run(std::string_view input, std::string_view replacement, Skip skip)
    {
        std::string out;
        out.reserve(input.size() * 3 / 2 + 16);
        char buffer[1024];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            int err = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc != static_cast<std::size_t>(-1)) break;
            if (err == E2BIG) continue;
            // EILSEQ (a byte sequence that is invalid or has no counterpart) or EINVAL (a
            // sequence cut off by the end of the input).
            out.append(replacement);
            std::size_t n = skip(in, inLeft);
            in += n;
            inLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    Converter conv("UTF-8", "CP932");
    if (!conv.Ok()) {
        // Without the converter only ASCII can be trusted.
        std::string out;
        for (char c : cp932) {
            if (static_cast<unsigned char>(c) < 0x80)
                out += c;
            else
                out.append(kReplacementUtf8);
        }
        return out;
    }
    // One bad byte is replaced at a time: a broken lead byte must not swallow the ASCII byte
    // that follows it.
    return conv.Run(cp932, kReplacementUtf8, [](const char*, std::size_t) { return std::size_t{1}; });
}

std::string Utf8ToCp932(std::string_view utf8)
{
    Converter conv("CP932", "UTF-8");
    if (!conv.Ok()) {
        std::string out;
        for (std::size_t i = 0; i < utf8.size();) {
            if (static_cast<unsigned char>(utf8[i]) < 0x80) {
                out += utf8[i++];
            } else {
                out += '?';
                i += Utf8CharLength(utf8.data() + i, utf8.size() - i);
            }
        }
        return out;
    }
    return conv.Run(utf8, "?", Utf8CharLength);
}
