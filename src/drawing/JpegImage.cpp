#include "drawing/JpegImage.h"

#include <algorithm>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr const char *Damaged = "the JPEG image is damaged or cut short";
constexpr const char *TooLarge = "the JPEG image is too large";
constexpr const char *TooManyScans = "the JPEG image has too many scans";

// The library ends the process on an error unless told otherwise: its errors and the warnings that mean the
// picture is cut short or garbled jump back to the decoder, which gives up on the picture. Its progress
// monitor, called before each step of taking in a file of several scans, counts each scan as it begins and
// jumps back the same way at one scan or pass too many.
struct TJpegErrors {
    jpeg_error_mgr manager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    const char *failure;
    int scansCounted;
    qint64 blocksLeft;  // of the passes allowed
};

TJpegErrors &errorsOf(j_common_ptr info) { return *reinterpret_cast<TJpegErrors *>(info->err); }

extern "C" void jpegFail(j_common_ptr info) { std::longjmp(errorsOf(info).jump, 1); }

extern "C" void jpegMessage(j_common_ptr info, int level)
{
    const int code = info->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE))
        jpegFail(info);
}

qint64 blocksOf(const jpeg_component_info &component)
{
    return qint64(component.width_in_blocks) * component.height_in_blocks;
}

extern "C" void jpegProgress(j_common_ptr common)
{
    const auto *info = reinterpret_cast<j_decompress_ptr>(common);
    TJpegErrors &errors = errorsOf(common);
    if (info->input_scan_number == errors.scansCounted)
        return;
    errors.scansCounted = info->input_scan_number;
    for (int c = 0; c < info->comps_in_scan; ++c)
        errors.blocksLeft -= blocksOf(*info->cur_comp_info[c]);
    if (info->input_scan_number > MaxJpegScans || errors.blocksLeft < 0) {
        errors.failure = TooManyScans;
        jpegFail(common);
    }
}

// What the decoding of a file of several scans buffers before its first row comes out: every coefficient of
// every component, as the library allocates them (whole sampling groups of blocks); nothing for one scan.
qint64 bufferedBytes(j_decompress_ptr info)
{
    if (!jpeg_has_multiple_scans(info))
        return 0;
    qint64 bytes = 0;
    for (int c = 0; c < info->num_components; ++c) {
        const jpeg_component_info &component = info->comp_info[c];
        const qint64 across = (component.width_in_blocks + component.h_samp_factor - 1) / component.h_samp_factor;
        const qint64 down = (component.height_in_blocks + component.v_samp_factor - 1) / component.v_samp_factor;
        bytes += across * component.h_samp_factor * down * component.v_samp_factor * DCTSIZE2 * qint64(sizeof(JCOEF));
    }
    return bytes;
}

// The side of a picture decoded at eighths / 8, as the library rounds it.
qint64 scaledSide(JDIMENSION side, int eighths) { return (qint64(side) * eighths + 7) / 8; }

// The scale in eighths to decode at (see LoadFromData), 0 when it holds too much, and for a file of several
// scans whose coefficients and pixels would hold too much together, the room a copy of its coefficients in one
// scan may take (see baselineCopy): the coefficients are buffered while the copy is written, the pixels
// while the copy is decoded, never both. held is what the decoding's caller already holds for it (the copy
// being decoded); dataSize the file's size in memory, 0 where no copy can be made. The scale comes from what
// the caller needs, never from the memory left: a picture decoded smaller than its object needs would print
// blurred without a word, where one refused is told.
struct TScale {
    int eighths = 0;
    qint64 copyRoom = 0;
};

TScale scaleFor(j_decompress_ptr info, int cover, qint64 held, qint64 dataSize)
{
    const qint64 buffered = bufferedBytes(info);
    const auto pixels = [&](int eighths) {
        return scaledSide(info->image_width, eighths) * scaledSide(info->image_height, eighths) * 3;
    };
    const auto direct = [&](int eighths) { return held + buffered + pixels(eighths) <= MaxJpegDecodeBytes; };
    // One scan of the same coefficients with the standard code tables comes to about the file's size; room is
    // left for twice that.
    const auto copyRoom = [&](int eighths) {
        const qint64 room = MaxJpegDecodeBytes - std::max(buffered, pixels(eighths));
        return buffered > 0 && dataSize > 0 && room >= 2 * dataSize ? room : 0;
    };
    int eighths = 8;
    if (cover == TJpegImage::LargestCover) {
        while (eighths > 1 && !direct(eighths) && !copyRoom(eighths))
            --eighths;
    } else if (cover > 0) {
        eighths = 1;
        while (eighths < 8 && std::min(scaledSide(info->image_width, eighths),
                                       scaledSide(info->image_height, eighths)) < cover)
            ++eighths;
    }
    if (direct(eighths))
        return {eighths, 0};
    if (const qint64 room = copyRoom(eighths))
        return {eighths, room};
    return {};
}

// A source of the library reading a device through a buffer of its own, so a file is read as it is decoded and
// never held whole; the end of the device before the picture's is a picture cut short.
struct TDeviceSource {
    jpeg_source_mgr manager;
    QIODevice *device;
    JOCTET *buffer;
};

constexpr qint64 DeviceBufferSize = 64 * 1024;

extern "C" void deviceInit(j_decompress_ptr) {}

extern "C" boolean deviceFill(j_decompress_ptr info)
{
    auto *source = reinterpret_cast<TDeviceSource *>(info->src);
    qint64 got = source->device->read(reinterpret_cast<char *>(source->buffer), DeviceBufferSize);
    if (got <= 0) {
        // jpegMessage gives up on the picture at this warning.
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = size_t(got);
    return TRUE;
}

extern "C" void deviceSkip(j_decompress_ptr info, long count)
{
    jpeg_source_mgr &manager = *info->src;
    while (count > long(manager.bytes_in_buffer)) {
        count -= long(manager.bytes_in_buffer);
        deviceFill(info);
    }
    if (count > 0) {
        manager.next_input_byte += count;
        manager.bytes_in_buffer -= size_t(count);
    }
}

extern "C" void deviceTerm(j_decompress_ptr) {}

void deviceSource(j_decompress_ptr info, QIODevice *device)
{
    const auto common = reinterpret_cast<j_common_ptr>(info);
    auto *source = static_cast<TDeviceSource *>((*info->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(TDeviceSource)));
    source->device = device;
    source->buffer = static_cast<JOCTET *>((*info->mem->alloc_small)(common, JPOOL_PERMANENT, size_t(DeviceBufferSize)));
    source->manager.init_source = deviceInit;
    source->manager.fill_input_buffer = deviceFill;
    source->manager.skip_input_data = deviceSkip;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = deviceTerm;
    source->manager.next_input_byte = nullptr;
    source->manager.bytes_in_buffer = 0;
    info->src = &source->manager;
}

// The decoded picture held whole; the decoder gives the picture's own size once it has read the header.
struct TJpegTarget : TJpegRows {
    QSize pictureSize;
    QImage image;
    bool Start(QSize size, qint64) override
    {
        image = QImage(size, Bitmap24Format);
        return !image.isNull();
    }
    int Unwanted(int) override { return 0; }
    uchar *Row(int y) override { return image.scanLine(y); }
    void Took(int) override {}
};

// The library's errors and warnings of damage sent back to the jump of errors; no scan counted yet.
jpeg_error_mgr *watched(TJpegErrors &errors)
{
    jpeg_error_mgr *manager = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFail;
    errors.manager.emit_message = jpegMessage;
    errors.progress = {};
    errors.progress.progress_monitor = jpegProgress;
    errors.failure = Damaged;
    return manager;
}

// Once the header is read: the scans of info counted against MaxJpegScans and MaxJpegPasses as they come.
void countScans(TJpegErrors &errors, jpeg_decompress_struct &info)
{
    errors.scansCounted = 0;
    errors.blocksLeft = 0;
    for (int c = 0; c < info.num_components; ++c)
        errors.blocksLeft += blocksOf(info.comp_info[c]) * MaxJpegPasses;
    info.progress = &errors.progress;
}

// A destination of the library writing into a byte array that grows up to a limit; a copy that would pass it
// is a picture too large.
struct TArrayDestination {
    jpeg_destination_mgr manager;
    QByteArray *bytes;
    qint64 limit;
};

constexpr qint64 ArrayStep = qint64(4) << 20;

extern "C" void arrayInit(j_compress_ptr) {}

extern "C" boolean arrayEmpty(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<TArrayDestination *>(info->dest);
    QByteArray &bytes = *destination->bytes;
    const qint64 full = bytes.size();
    if (full >= destination->limit) {
        errorsOf(reinterpret_cast<j_common_ptr>(info)).failure = TooLarge;
        jpegFail(reinterpret_cast<j_common_ptr>(info));
    }
    // Grown in place where the allocator can: no second copy of the bytes is held meanwhile.
    bytes.resize(qsizetype(std::min(destination->limit, full + std::max(ArrayStep, full / 4))));
    destination->manager.next_output_byte = reinterpret_cast<JOCTET *>(bytes.data()) + full;
    destination->manager.free_in_buffer = size_t(bytes.size() - full);
    return TRUE;
}

extern "C" void arrayTerm(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<TArrayDestination *>(info->dest);
    destination->bytes->resize(destination->bytes->size() - qsizetype(destination->manager.free_in_buffer));
}

const char *const CopyFirst = "the JPEG image is decoded from a copy in one scan";

// The coefficients of the file of several scans data holds, written as a file of one scan into copy, each
// block as it was: the same picture, which the library decodes row by row without buffering its
// coefficients. The copy takes at most limit bytes. Plain C control flow from setjmp on, as in decode.
const char *baselineCopy(const uchar *data, unsigned long size, qint64 limit, QByteArray *copy)
{
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    TJpegErrors errors;
    in.err = watched(errors);
    out.err = &errors.manager;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&out);
        jpeg_destroy_decompress(&in);
        return errors.failure;
    }
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);
    jpeg_mem_src(&in, data, size);
    jpeg_read_header(&in, TRUE);
    countScans(errors, in);
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&in);
    jpeg_copy_critical_parameters(&in, &out);
    // The standard tables code every coefficient of an 8-bit picture, and write it in one pass.
    out.optimize_coding = FALSE;
    auto *destination = static_cast<TArrayDestination *>(
        (*out.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&out), JPOOL_PERMANENT, sizeof(TArrayDestination)));
    destination->bytes = copy;
    destination->limit = limit;
    destination->manager.init_destination = arrayInit;
    destination->manager.empty_output_buffer = arrayEmpty;
    destination->manager.term_destination = arrayTerm;
    copy->resize(qsizetype(std::min(limit, qint64(size))));
    destination->manager.next_output_byte = reinterpret_cast<JOCTET *>(copy->data());
    destination->manager.free_in_buffer = size_t(copy->size());
    out.dest = &destination->manager;
    jpeg_write_coefficients(&out, coefficients);
    jpeg_finish_compress(&out);
    jpeg_destroy_compress(&out);
    jpeg_finish_decompress(&in);
    jpeg_destroy_decompress(&in);
    return nullptr;
}

// Plain C control flow from setjmp to the end: the jump back must not pass over anything with a destructor,
// so the rows go to rows through a pointer and the library's own memory holds the work row.
// The picture is data's size bytes, or read from device when that is given; held is what the caller holds for
// the decoding (see scaleFor). Where copyRoom is given and the picture is to be decoded from a copy of its
// coefficients in one scan, answers CopyFirst with the room the copy may take. Otherwise answers why the
// picture cannot be had, nullptr when it was decoded.
const char *decode(const uchar *data, unsigned long size, QIODevice *device, int largestSide, int cover,
                   qint64 held, qint64 *copyRoom, QSize *pictureSize, TJpegRows *rows)
{
    jpeg_decompress_struct info{};
    TJpegErrors errors;
    info.err = watched(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return errors.failure;
    }
    jpeg_create_decompress(&info);
    if (device)
        deviceSource(&info, device);
    else
        jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    *pictureSize = QSize(int(info.image_width), int(info.image_height));
    countScans(errors, info);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    // Decided by the header: starting a progressive file's decoding already buffers all of its scans.
    const TScale scale = scaleFor(&info, cover, held, copyRoom ? qint64(size) : 0);
    info.scale_num = JDIMENSION(scale.eighths);
    info.scale_denom = 8;
    if (info.image_width > JDIMENSION(largestSide) || info.image_height > JDIMENSION(largestSide)
        || qint64(info.image_width) * info.image_height > MaxJpegPixels || info.scale_num == 0) {
        jpeg_destroy_decompress(&info);
        return TooLarge;
    }
    if (scale.copyRoom) {
        *copyRoom = scale.copyRoom;
        jpeg_destroy_decompress(&info);
        return CopyFirst;
    }
    jpeg_calc_output_dimensions(&info);
    if (!rows->Start(QSize(int(info.output_width), int(info.output_height)), bufferedBytes(&info))) {
        jpeg_destroy_decompress(&info);
        return TooLarge;
    }
    jpeg_start_decompress(&info);
    JSAMPARRAY work = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                       info.output_width * 4, 1)
                           : nullptr;
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        if (const int unwanted = rows->Unwanted(y)) {
            jpeg_skip_scanlines(&info, JDIMENSION(unwanted));
            continue;
        }
        uchar *out = rows->Row(y);
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
        rows->Took(y);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return nullptr;
}

// decode for a picture held in memory, from a copy of its coefficients in one scan where decode asks for one.
const char *decodeData(const QByteArray &data, int largestSide, int cover, QSize *pictureSize, TJpegRows *rows)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    qint64 copyRoom = 0;
    const char *failure = decode(bytes, size, nullptr, largestSide, cover, 0, &copyRoom, pictureSize, rows);
    if (failure != CopyFirst)
        return failure;
    QByteArray copy;
    if ((failure = baselineCopy(bytes, size, copyRoom, &copy)))
        return failure;
    return decode(reinterpret_cast<const uchar *>(copy.constData()), static_cast<unsigned long>(copy.size()), nullptr,
                  largestSide, cover, copy.size(), nullptr, pictureSize, rows);
}

}  // namespace

EJpegTooLarge::EJpegTooLarge(QSize pictureSize) : EJpegRefused(TooLarge), pictureSize_(pictureSize) {}

namespace {

// The exception of a decoding's failure, if any.
void throwFailure(const char *failure, QSize pictureSize)
{
    if (failure == TooLarge)
        throw EJpegTooLarge(pictureSize);
    if (failure == Damaged)
        throw EInvalidGraphic(failure);
    if (failure)
        throw EJpegRefused(failure);
}

}  // namespace

QString PictureTooLargeMessage(QSize pictureSize)
{
    return QStringLiteral("画像が大きすぎるため扱えません  \r\n(%1 × %2 ピクセル)")
        .arg(pictureSize.width())
        .arg(pictureSize.height());
}

void TJpegImage::LoadFromData(const QByteArray &data, int largestSide, int cover)
{
    TJpegTarget target;
    if (data.isEmpty())
        throw EInvalidGraphic(Damaged);
    throwFailure(decodeData(data, std::max(largestSide, 0), cover, &target.pictureSize, &target), target.pictureSize);
    data_ = data;
    bitmap_ = target.image;
    decoded_ = bitmap_.size();
    size_ = target.pictureSize;
    cover_ = cover;
    tooLarge_ = false;
}

void TJpegImage::KeepRefused(const QByteArray &data)
{
    data_ = data;
    bitmap_ = QImage();
    decoded_ = QSize();
    size_ = JpegPictureSize(data);
    cover_ = 0;
    tooLarge_ = false;
}

void TJpegImage::LoadOrKeep(const QByteArray &data, int cover)
{
    try {
        LoadFromData(data, std::numeric_limits<int>::max(), cover);
    } catch (const EJpegTooLarge &) {
        KeepRefused(data);
        tooLarge_ = true;
    } catch (const EInvalidGraphic &) {
        KeepRefused(data);
    }
}

bool TJpegImage::Covers(int cover) const
{
    if (decoded_.isEmpty())
        return false;
    // Asked for at least as much before, the pixels are all the bound allows; a larger request would decode
    // the same again.
    return decoded_ == size_ || cover <= std::max(cover_, std::min(decoded_.width(), decoded_.height()));
}

QSize JpegPictureSize(const QByteArray &data)
{
    TJpegTarget target;
    // No side is allowed: the decoder stops after the header.
    decode(reinterpret_cast<const uchar *>(data.constData()), static_cast<unsigned long>(data.size()), nullptr, 0, 0, 0,
           nullptr, &target.pictureSize, &target);
    return target.pictureSize;
}

QImage JpegPixels(const QByteArray &data, int largestSide, int cover)
{
    try {
        TJpegImage jpeg;
        jpeg.LoadFromData(data, largestSide, cover);
        return jpeg.Bitmap();
    } catch (const EStreamError &) {
        return {};
    }
}

void JpegRows(QIODevice &device, int cover, TJpegRows &rows)
{
    QSize pictureSize;
    throwFailure(decode(nullptr, 0, &device, std::numeric_limits<int>::max(), cover, 0, nullptr, &pictureSize, &rows),
                 pictureSize);
}
