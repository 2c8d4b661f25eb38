// The symbol of Japan Post's customer barcode: every character three bars of four kinds, between a start and a
// stop of two. Drawn here rather than by a barcode library because the symbol must be able to end in a
// letter's control character alone, which the rules ask for when a letter falls on the last data place.
#include "BarcodeImage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace kvstripe {
namespace {

constexpr uint8_t kHyphenValue = 10, kCc1 = 11, kCc4 = 14;
constexpr int kBarCount = 67;

constexpr TBar L = TBar::Long, U = TBar::Upper, D = TBar::Lower, T = TBar::Timing;
// By symbol value: the digits 0-9, the hyphen, CC1-CC8.
constexpr TBar kPatterns[19][3] = {
    {L, T, T}, {L, L, T}, {L, D, U}, {D, L, U}, {L, U, D}, {L, T, L}, {D, U, L}, {U, L, D}, {U, D, L},
    {T, L, L}, {T, L, T}, {D, U, T}, {D, T, U}, {U, D, T}, {T, D, U}, {U, T, D}, {T, U, D}, {T, T, L},
    {L, L, L},
};
constexpr TBar kStart[2] = {L, D}, kStop[2] = {D, L};

void putLe(std::string &out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::array<uint8_t, 20> SymbolValues(std::string_view data)
{
    std::array<uint8_t, 20> values;
    values.fill(kCc4);
    size_t at = 0;
    for (char c : data) {
        if (at >= values.size())
            break;
        if (c >= '0' && c <= '9') {
            values[at++] = uint8_t(c - '0');
        } else if (c >= 'A' && c <= 'Z') {
            // A-J, K-T and U-Z: CC1, CC2 and CC3 followed by the letter's place in its ten.
            const int group = (c - 'A') / 10;
            values[at++] = uint8_t(kCc1 + group);
            if (at < values.size())
                values[at++] = uint8_t((c - 'A') % 10);
        } else {
            values[at++] = kHyphenValue;
        }
    }
    return values;
}

uint8_t CheckValue(const std::array<uint8_t, 20> &values)
{
    unsigned sum = 0;
    for (uint8_t v : values)
        sum += v;
    return uint8_t((19 - sum % 19) % 19);
}

std::vector<TBar> Bars(std::string_view data)
{
    const std::array<uint8_t, 20> values = SymbolValues(data);
    std::vector<TBar> bars(std::begin(kStart), std::end(kStart));
    auto add = [&](uint8_t value) { bars.insert(bars.end(), std::begin(kPatterns[value]), std::end(kPatterns[value])); };
    for (uint8_t v : values)
        add(v);
    add(CheckValue(values));
    bars.insert(bars.end(), std::begin(kStop), std::end(kStop));
    return bars;
}

std::string BitmapFile(const std::vector<TBar> &bars, int longSide, int shortSide, bool vertical)
{
    // Along the long side, the rows of the short side each column blackens: [top, bottom), empty between bars.
    struct TSpan {
        int top = 0, bottom = 0;
    };
    std::vector<TSpan> columns(size_t(std::max(longSide, 0)));
    const double unit = shortSide / 6.0;  // the long bar is six units, the pitch two
    const double margin = (longSide - (2.0 * kBarCount - 1) * unit) / 2;
    const int third = int(std::lround(shortSide / 3.0)), twoThirds = int(std::lround(2 * shortSide / 3.0));
    for (size_t i = 0; i < bars.size(); ++i) {
        const int left = int(std::lround(margin + 2 * unit * double(i)));
        const int right = int(std::lround(margin + 2 * unit * double(i) + unit));
        const TSpan span{bars[i] == TBar::Long || bars[i] == TBar::Upper ? 0 : third,
                         bars[i] == TBar::Long || bars[i] == TBar::Lower ? shortSide : twoThirds};
        for (int x = std::max(left, 0); x < std::min(right, longSide); ++x)
            columns[size_t(x)] = span;
    }
    const int width = vertical ? shortSide : longSide, height = vertical ? longSide : shortSide;
    auto black = [&](int x, int y) {
        // Turned clockwise: the top of the horizontal picture is the right side, its start the top.
        const TSpan &c = columns[size_t(vertical ? y : x)];
        const int across = vertical ? shortSide - 1 - x : y;
        return across >= c.top && across < c.bottom;
    };

    const size_t rowBytes = (size_t(width) + 31) / 32 * 4;
    constexpr size_t kHeaders = 14 + 40 + 8;  // file header, info header, two palette entries
    std::string out(kHeaders + rowBytes * size_t(height), '\0');
    out[0] = 'B';
    out[1] = 'M';
    putLe(out, 2, uint32_t(out.size()), 4);
    putLe(out, 10, kHeaders, 4);
    putLe(out, 14, 40, 4);
    putLe(out, 18, uint32_t(width), 4);
    putLe(out, 22, uint32_t(height), 4);  // positive: rows from the bottom up
    putLe(out, 26, 1, 2);                 // planes
    putLe(out, 28, 1, 2);                 // bits per pixel
    putLe(out, 34, uint32_t(rowBytes * size_t(height)), 4);
    putLe(out, 38, 3780, 4);  // 96 dpi in pixels per metre
    putLe(out, 42, 3780, 4);
    putLe(out, 46, 2, 4);     // colours used
    putLe(out, 54, 0x000000, 4);  // index 0 black
    putLe(out, 58, 0xFFFFFF, 4);  // index 1 white
    for (int y = 0; y < height; ++y) {
        char *row = out.data() + kHeaders + size_t(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x)
            if (!black(x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    }
    return out;
}

bool WriteFileReplacing(const std::string &path, const std::string &bytes)
{
    if (path.empty() || path.back() == '/')
        return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        written += size_t(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != bytes.size() || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kvstripe
