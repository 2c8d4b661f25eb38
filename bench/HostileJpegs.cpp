#include "HostileJpegs.h"

#include <QtEndian>

#include <algorithm>

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

QByteArray WithJpegReplaced(QByteArray bytes, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = bytes.indexOf(from);
    char length[4];
    qToLittleEndian<quint32>(quint32(to.size()), length);
    return bytes.replace(at - 4, 4 + from.size(), QByteArray(length, 4) + to);
}
