#include "HostileJpegs.h"

#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

void putMarker(QByteArray &out, uchar marker, const QByteArray &body)
{
    out.append(char(0xFF)).append(char(marker));
    char length[2];
    qToBigEndian<quint16>(quint16(body.size() + 2), length);
    out.append(length, 2).append(body);
}

QByteArray bigEndian16(int value)
{
    char bytes[2];
    qToBigEndian<quint16>(quint16(value), bytes);
    return QByteArray(bytes, 2);
}

// Quantisation table 0 of ones, and the frame (SOF0 baseline, SOF2 progressive) of a grey picture or of a
// colour one whose luminance is sampled 4 x 4.
QByteArray header(uchar frame, int width, int height, bool colour = false)
{
    QByteArray out("\xFF\xD8", 2);
    putMarker(out, 0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    const QByteArray components = colour ? QByteArray("\x03\x01\x44\x00\x02\x11\x00\x03\x11\x00", 10)
                                         : QByteArray("\x01\x01\x11\x00", 4);
    putMarker(out, frame, QByteArray(1, '\x08') + bigEndian16(height) + bigEndian16(width) + components);
    return out;
}

// A Huffman table of the given class and number whose symbols all have codes of length bits.
QByteArray huffmanTable(uchar classAndNumber, int bits, const QByteArray &symbols)
{
    QByteArray counts(16, '\0');
    counts[bits - 1] = char(symbols.size());
    return QByteArray(1, char(classAndNumber)) + counts + symbols;
}

// Entropy-coded bits with the zero byte after every 0xFF, padded with ones.
struct TBits {
    QByteArray bytes;
    quint32 pending = 0;
    int count = 0;
    void put(quint32 value, int length)
    {
        for (int i = length - 1; i >= 0; --i) {
            pending = pending << 1 | ((value >> i) & 1);
            if (++count == 8) {
                bytes.append(char(pending));
                if (pending == 0xFF)
                    bytes.append('\0');
                pending = 0;
                count = 0;
            }
        }
    }
    QByteArray done()
    {
        if (count)
            put((1u << (8 - count)) - 1, 8 - count);
        return bytes;
    }
};

qint64 blocksOf(int width, int height) { return qint64((width + 7) / 8) * ((height + 7) / 8); }

}  // namespace

QByteArray ProgressiveJpeg(int width, int height, int acScans, bool colour)
{
    QByteArray out = header(0xC2, width, height, colour);
    // DC: category 0 (no change) as the one-bit code 0. AC: the end-of-band runs of 2^r to 2^(r+1) - 1 blocks
    // (symbols r << 4, r = 0 to 14), four-bit codes in that order.
    QByteArray runs;
    for (int r = 0; r <= 14; ++r)
        runs.append(char(r << 4));
    putMarker(out, 0xC4, huffmanTable(0x00, 1, QByteArray(1, '\0')) + huffmanTable(0x10, 4, runs));
    // In colour the components' DC scans come one by one (a unit of all three would be 18 blocks, more than a
    // unit may hold); a difference has a block for every 16 of the luminance.
    const qint64 blocks = blocksOf(width, height);
    const qint64 differenceBlocks = blocksOf((width + 3) / 4, (height + 3) / 4);
    for (int component = 1; component <= (colour ? 3 : 1); ++component) {
        out.append(QByteArray("\xFF\xDA\x00\x08\x01", 5) + char(component) + QByteArray(4, '\0'));
        TBits dc;
        for (qint64 i = 0; i < (component == 1 ? blocks : differenceBlocks); ++i)
            dc.put(0, 1);
        out.append(dc.done());
    }
    const qint64 acBlocks = colour ? differenceBlocks : blocks;
    TBits ac;
    for (qint64 left = acBlocks; left > 0;) {
        const qint64 run = std::min<qint64>(left, 32767);
        int r = 0;
        while ((qint64(2) << r) <= run)
            ++r;
        ac.put(quint32(r), 4);
        ac.put(quint32(run - (qint64(1) << r)), r);
        left -= run;
    }
    const QByteArray acScan = QByteArray("\xFF\xDA\x00\x08\x01", 5) + char(colour ? 2 : 1)
                              + QByteArray("\x00\x01\x3F\x00", 4) + ac.done();
    out.reserve(out.size() + acScan.size() * acScans + 2);
    for (int i = 0; i < acScans; ++i)
        out.append(acScan);
    return out.append("\xFF\xD9", 2);
}

QByteArray BaselineJpeg(int width, int height)
{
    QByteArray out = header(0xC0, width, height);
    // DC category 0 and the end of the block, each the one-bit code 0.
    putMarker(out, 0xC4, huffmanTable(0x00, 1, QByteArray(1, '\0')) + huffmanTable(0x10, 1, QByteArray(1, '\0')));
    putMarker(out, 0xDA, QByteArray("\x01\x01\x00\x00\x3F\x00", 6));
    out.append(QByteArray(int((blocksOf(width, height) * 2 + 7) / 8), '\0'));
    return out.append("\xFF\xD9", 2);
}

QByteArray DamagedJpeg(QByteArray jpeg, TJpegDamage damage)
{
    // The frame: its marker (SOF0 to SOF2), length, precision, rows and columns.
    qsizetype frame = -1;
    for (const char marker : {'\xC0', '\xC1', '\xC2'})
        if (frame < 0)
            frame = jpeg.indexOf(QByteArray("\xFF", 1) + marker);
    switch (damage) {
    case TJpegDamage::CutShort: return jpeg.left(jpeg.size() / 2);
    case TJpegDamage::TwelveBits: jpeg[frame + 4] = 12; break;
    case TJpegDamage::PromisesMore:
        qToBigEndian<quint16>(quint16(qFromBigEndian<quint16>(jpeg.constData() + frame + 5) * 10), jpeg.data() + frame + 5);
        break;
    }
    return jpeg;
}

QByteArray WithJpegReplaced(QByteArray bytes, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = bytes.indexOf(from);
    char length[4];
    qToLittleEndian<quint32>(quint32(to.size()), length);
    return bytes.replace(at - 4, 4 + from.size(), QByteArray(length, 4) + to);
}

namespace {

struct TEncoderErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void encoderFail(j_common_ptr info) { std::longjmp(reinterpret_cast<TEncoderErrors *>(info->err)->jump, 1); }

// The pixels of PhotoJpeg's picture, row by row into row (three bytes a pixel).
void photoRow(int width, int height, int y, uchar *row)
{
    const auto mix = [](int a, int b, int c, int d, double s, double t) {
        return (a * (1 - s) + b * s) * (1 - t) + (c * (1 - s) + d * s) * t;
    };
    const double t = height > 1 ? double(y) / (height - 1) : 0;
    for (int x = 0; x < width; ++x) {
        const double s = width > 1 ? double(x) / (width - 1) : 0;
        // A hash of the place for the grain, the same on every run.
        quint32 grain = quint32(x) * 0x9E3779B1u ^ quint32(y) * 0x85EBCA77u;
        grain ^= grain >> 15;
        grain *= 0x2C1B3C6Du;
        grain ^= grain >> 12;
        const int noise = int(grain % 9) - 4;
        const int channels[3][4] = {{220, 0, 30, 230}, {30, 180, 30, 200}, {30, 0, 220, 0}};
        for (int c = 0; c < 3; ++c) {
            const double value = mix(channels[c][0], channels[c][1], channels[c][2], channels[c][3], s, t);
            row[3 * x + c] = uchar(std::clamp(int(value * 0.5 + 64) + noise, 0, 255));
        }
    }
}

}  // namespace

QByteArray PhotoJpeg(int width, int height, TPhotoJpegOptions options)
{
    jpeg_compress_struct info{};
    TEncoderErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = encoderFail;
    unsigned char *out = nullptr;
    unsigned long size = 0;
    std::vector<uchar> row(size_t(width) * 3);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.Quality, TRUE);
    // The library's defaults sample the luminance twice across and down.
    if (!options.Subsampled)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (options.Progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        photoRow(width, height, int(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}
