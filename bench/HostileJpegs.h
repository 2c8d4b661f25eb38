// JPEG files made byte by byte to cost a decoder seconds and gigabytes, for the bench of the picture decoder and
// the tests that hold its bounds. Every picture is flat grey: what matters is its size and its scans, and a few
// bytes of entropy data cover a whole picture. Beside them, the photograph those bounds must let through.
#pragma once

#include <QByteArray>

// A progressive picture of width x height: a DC scan of each component, then acScans scans of the AC
// coefficients in runs of empty blocks, a few bytes a scan. Grey, each scan is over the whole picture; in
// colour, the luminance is sampled four times across and down, and each AC scan is over the blue difference
// alone, 1/18 of the blocks. Every scan header is 10 bytes.
QByteArray ProgressiveJpeg(int width, int height, int acScans, bool colour = false);
// A baseline grey picture of width x height in one scan, two bits a block.
QByteArray BaselineJpeg(int width, int height);
// How PhotoJpeg encodes: by default as photo editors export at high quality, progressive, without chroma
// subsampling, quality 95; subsampled, with the colour differences at half the resolution both ways (4:2:0,
// as cameras save and optimisers re-save).
struct TPhotoJpegOptions {
    bool Progressive = true;
    bool Subsampled = false;
    int Quality = 95;
};
// A photograph of width x height encoded by the library as options say. A colour gradient with a fine grain,
// from red at the top left to green, blue and yellow at the other corners, nowhere near white.
QByteArray PhotoJpeg(int width, int height, TPhotoJpegOptions options = {});
// The damage the decoder finds in pictures that older documents hold.
enum class TJpegDamage {
    CutShort,      // half of the file
    TwelveBits,    // a frame of 12-bit samples
    PromisesMore,  // a frame of ten times the rows the data holds
};
// jpeg, a whole file of one frame, damaged so.
QByteArray DamagedJpeg(QByteArray jpeg, TJpegDamage damage);
// bytes with the JPEG from, stored after its length (u32, little-endian) as the documents store their pictures,
// replaced by to.
QByteArray WithJpegReplaced(QByteArray bytes, const QByteArray &from, const QByteArray &to);
