#include "drawing/JpegImage.h"

#include <algorithm>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The library ends the process on an error unless told otherwise: its errors and the warnings that mean the
// picture is cut short or garbled jump back to the decoder, which gives up on the picture.
struct TJpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<TJpegErrors *>(info->err)->jump, 1); }

extern "C" void jpegMessage(j_common_ptr info, int level)
{
    const int code = info->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE))
        jpegFail(info);
}

constexpr const char *Damaged = "the JPEG image is damaged or cut short";
constexpr const char *TooLarge = "the JPEG image is too large";

// Where the decoded rows go; the decoder asks for the image once it knows the size.
struct TJpegTarget {
    QImage image;
    uchar *allocate(int width, int height)
    {
        image = QImage(width, height, Bitmap24Format);
        return image.isNull() ? nullptr : image.bits();
    }
};

// Plain C control flow from setjmp to the end: the jump back must not pass over anything with a destructor,
// so the rows go into target through a pointer and the library's own memory holds the work row.
// Answers why the picture cannot be had, nullptr when it was decoded.
const char *decode(const uchar *data, unsigned long size, int largestSide, TJpegTarget *target)
{
    jpeg_decompress_struct info{};
    TJpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFail;
    errors.manager.emit_message = jpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return Damaged;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 1;
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    // Decided by the header: starting a progressive file's decoding already buffers all of its scans.
    if (info.image_width > JDIMENSION(largestSide) || info.image_height > JDIMENSION(largestSide) ||
        !RasterFits(info.image_width, info.image_height, 3)) {
        jpeg_destroy_decompress(&info);
        return TooLarge;
    }
    jpeg_start_decompress(&info);
    uchar *bits = target->allocate(int(info.output_width), int(info.output_height));
    if (!bits) {
        jpeg_destroy_decompress(&info);
        return TooLarge;
    }
    const size_t stride = size_t(target->image.bytesPerLine());
    JSAMPARRAY work = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                       info.output_width * 4, 1)
                           : nullptr;
    while (info.output_scanline < info.output_height) {
        uchar *out = bits + stride * info.output_scanline;
        JSAMPROW row = cmyk ? work[0] : out;
        jpeg_read_scanlines(&info, &row, 1);
        if (cmyk) {
            // Adobe's CMYK JPEGs store the inks inverted: each byte is already 255 − ink.
            for (JDIMENSION x = 0; x < info.output_width; ++x) {
                const int k = row[4 * x + 3];
                for (int c = 0; c < 3; ++c)
                    out[3 * x + c] = uchar((row[4 * x + c] * k + 127) / 255);
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return nullptr;
}

}  // namespace

void TJpegImage::LoadFromData(const QByteArray &data, int largestSide)
{
    TJpegTarget target;
    if (data.isEmpty())
        throw EInvalidGraphic(Damaged);
    if (const char *failure = decode(reinterpret_cast<const uchar *>(data.constData()),
                                     static_cast<unsigned long>(data.size()), std::max(largestSide, 0), &target))
        throw EInvalidGraphic(failure);
    data_ = data;
    bitmap_ = target.image;
}
