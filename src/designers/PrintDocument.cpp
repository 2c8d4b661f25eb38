#include "designers/PrintDocument.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/BackImage.h"
#include "drawing/BarcodeRect.h"
#include "drawing/BitmapTransform.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "base/Fonts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <filesystem>

#include <jpeglib.h>

QByteArray ComplementedMagic(const char *magic)
{
    QByteArray bytes(magic);
    for (char &c : bytes)
        c = char(~c);
    return bytes;
}

// ---- JPEG ----

namespace {

struct TJpegWriteErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void jpegWriteFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegWriteErrors *>(info->err)->jump, 1);
}

// Plain C control flow from setjmp on: the jump back must pass over nothing with a destructor. The library
// allocates *out, which the caller frees.
bool compress(const QImage *image, unsigned char **out, unsigned long *size)
{
    jpeg_compress_struct info{};
    TJpegWriteErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegWriteFail;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = JDIMENSION(image->width());
    info.image_height = JDIMENSION(image->height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(image->constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

QByteArray EncodeJpeg(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const bool made = compress(&rgb, &out, &size);
    QByteArray bytes = made ? QByteArray(reinterpret_cast<const char *>(out), qsizetype(size)) : QByteArray();
    std::free(out);
    return bytes;
}

// ---- The document ----

const char *DocumentMagic(uint8_t kind)
{
    switch (kind) {
    case LabelDocument: return "Mirzon Label File";
    case CardDocument: return "Mirzon Card File";
    case DesignDocument: return "Mirzon Design File";
    default: return LayoutFileMagic;
    }
}

int DocumentHeaderSize(uint8_t kind) { return kind == DesignDocument ? 32 : 28; }

TPrintDocument::TPrintDocument(uint8_t kind) : Kind(kind <= DesignDocument ? kind : uint8_t(LayoutDocument))
{
    CreateFixedObjects();
    if (Kind == DesignDocument)
        Background = std::make_unique<TBackImage>();
}
TPrintDocument::~TPrintDocument() = default;
TPrintDocument::TPrintDocument(TPrintDocument &&) noexcept = default;
TPrintDocument &TPrintDocument::operator=(TPrintDocument &&) noexcept = default;

namespace {

template <class T> std::unique_ptr<TDrawRect> senderObject()
{
    auto object = std::make_unique<T>();
    object->SenderStyle = 1;
    return object;
}

std::unique_ptr<TDrawRect> addition(uint8_t item)
{
    auto object = std::make_unique<TAdditionRect>();
    object->Item = item;
    return object;
}

}  // namespace

void TPrintDocument::CreateFixedObjects()
{
    CombinedObjects = {std::make_unique<TPosRect>(),     std::make_unique<TAddressRect>(),
                       std::make_unique<TNameRect>(),    std::make_unique<TBarcodeRect>(),
                       senderObject<TPosRect>(),         senderObject<TAddressRect>(),
                       senderObject<TNameRect>(),        std::make_unique<TAdditionRect>(),
                       std::make_unique<TAdditionRect>()};
    SplitObjects = {std::make_unique<TPosRect>(),     std::make_unique<TAddressRect>(),
                    std::make_unique<TAddressRect>(), std::make_unique<TAddressRect>(),
                    std::make_unique<TCorpRect>(),    std::make_unique<TCorpRect>(),
                    std::make_unique<TCorpRect>(),    std::make_unique<TNameRect>(),
                    std::make_unique<TBarcodeRect>(), senderObject<TPosRect>(),
                    senderObject<TAddressRect>(),     senderObject<TAddressRect>(),
                    senderObject<TAddressRect>(),     senderObject<TCorpRect>(),
                    senderObject<TCorpRect>(),        senderObject<TCorpRect>(),
                    senderObject<TNameRect>(),        addition(19),
                    addition(20),                     addition(21),
                    addition(22)};
    if (Kind == LayoutDocument)
        static_cast<TAddressRect &>(*CombinedObjects[1]).BuildingApart = 1;
}


QByteArray TPrintDocument::Bytes(const QByteArray &thumbnail) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    const QByteArray magic = ComplementedMagic(DocumentMagic(Kind));
    stream.WriteBuffer(magic.constData(), magic.size());
    stream.Write<uint32_t>(CurrentStreamVersion);
    stream.Write<int32_t>(FormatNumber);
    stream.Write<uint8_t>(PrintParts);
    stream.Write<uint8_t>(SplitLayout ? 1 : 0);
    stream.Write<uint16_t>(0);
    stream.Write<uint32_t>(uint32_t(IllustList.size()));
    stream.Write<uint32_t>(uint32_t(WordList.size()));
    stream.Write<uint32_t>(uint32_t(FigureList.size()));
    stream.Write<uint32_t>(uint32_t(QRCodeList.size()));
    stream.Write<uint32_t>(0);
    if (Kind == DesignDocument)
        stream.Write<uint32_t>(uint32_t(SenderList.size()));
    stream.Write<uint32_t>(uint32_t(thumbnail.size()));
    stream.WriteBuffer(thumbnail.constData(), thumbnail.size());
    const QByteArray form = PrintFormBytes(PrintForm);
    stream.WriteBuffer(form.constData(), form.size());
    const auto write = [&](const TDrawRect &object) {
        stream.Write<int32_t>(ZIndexOf(&object));
        object.SaveToStream(stream);
    };
    if (Kind != DesignDocument) {
        for (const auto &object : CombinedObjects)
            write(*object);
        for (const auto &object : SplitObjects)
            write(*object);
    }
    for (const auto &object : IllustList)
        write(*object);
    for (const auto &object : WordList)
        write(*object);
    for (const auto &object : FigureList)
        write(*object);
    for (const auto &object : QRCodeList)
        write(*object);
    if (Kind == DesignDocument) {
        for (const auto &object : SenderList)
            write(*object);
        Background->SaveToStream(stream);
    }
    return bytes;
}

namespace {

// Reads the free objects of one list: each one read, kept when stacked, dropped when not.
template <class T>
void readFreeObjects(TObjectStream &stream, uint32_t count, std::vector<std::unique_ptr<T>> &list,
                     std::vector<std::pair<int32_t, TDrawRect *>> &stacked, int64_t objectCount)
{
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t z = stream.Read<int32_t>();
        if (z < -1 || z >= objectCount)
            throw EStreamError("stacking place out of range");
        auto object = std::make_unique<T>();
        object->LoadFromStream(stream);
        if (z < 0)
            continue;
        stacked.emplace_back(z, object.get());
        list.push_back(std::move(object));
    }
}

}  // namespace

bool TPrintDocument::Read(const QByteArray &bytes, QString *error)
{
    TPrintDocument loaded(Kind);
    try {
        QByteArray data = bytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        TObjectStream stream(buffer);
        const QByteArray magic = ComplementedMagic(DocumentMagic(Kind));
        if (stream.BytesLeft() < magic.size() + 4 + DocumentHeaderSize(Kind) + 4 || data.left(magic.size()) != magic)
            throw EStreamError("not a document of this kind");
        buffer.seek(magic.size());
        StreamVersion = int(stream.Read<uint32_t>());
        loaded.FormatNumber = stream.Read<int32_t>();
        loaded.PrintParts = stream.Read<uint8_t>();
        if (loaded.PrintParts > 2)
            throw EStreamError("unknown printed parts");
        loaded.SplitLayout = stream.Read<uint8_t>() == 1 ? 1 : 0;
        stream.Read<uint16_t>();
        const uint32_t illusts = stream.Read<uint32_t>();
        const uint32_t words = stream.Read<uint32_t>();
        const uint32_t figures = stream.Read<uint32_t>();
        const uint32_t qrCodes = stream.Read<uint32_t>();
        stream.Read<uint32_t>();
        const bool design = Kind == DesignDocument;
        const uint32_t senders = design ? stream.Read<uint32_t>() : 0;
        const uint32_t thumbnailLength = stream.Read<uint32_t>();
        stream.CheckCount(thumbnailLength, 1);
        loaded.Thumbnail.resize(thumbnailLength);
        stream.ReadBuffer(loaded.Thumbnail.data(), thumbnailLength);
        char form[TPrintForm::Size];
        stream.ReadBuffer(form, sizeof form);
        loaded.PrintForm = PrintFormFromBytes(form);

        // Every record is at least its stacking place: counts beyond the bytes left are refused before
        // anything is made for them.
        const int64_t fixedCount = design ? 0 : int64_t(CombinedObjectCount) + SplitObjectCount;
        const int64_t objectCount = fixedCount + illusts + words + figures + qrCodes + senders;
        stream.CheckCount(quint64(objectCount), 4);
        std::vector<std::pair<int32_t, TDrawRect *>> stacked;
        const auto readFixed = [&](TDrawRect &object) {
            const int32_t z = stream.Read<int32_t>();
            if (z < -1 || z >= objectCount)
                throw EStreamError("stacking place out of range");
            object.LoadFromStream(stream);
            if (z >= 0)
                stacked.emplace_back(z, &object);
        };
        if (!design) {
            for (auto &object : loaded.CombinedObjects)
                readFixed(*object);
            for (auto &object : loaded.SplitObjects)
                readFixed(*object);
        }
        readFreeObjects(stream, illusts, loaded.IllustList, stacked, objectCount);
        readFreeObjects(stream, words, loaded.WordList, stacked, objectCount);
        readFreeObjects(stream, figures, loaded.FigureList, stacked, objectCount);
        readFreeObjects(stream, qrCodes, loaded.QRCodeList, stacked, objectCount);
        if (design) {
            readFreeObjects(stream, senders, loaded.SenderList, stacked, objectCount);
            loaded.Background->LoadFromStream(stream);
        }
        if (stream.BytesLeft() != 0)
            throw EStreamError("bytes after the last object");

        // Two objects in one place cannot both be drawn there; gaps are closed up in order.
        std::stable_sort(stacked.begin(), stacked.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (size_t i = 1; i < stacked.size(); ++i)
            if (stacked[i].first == stacked[i - 1].first)
                throw EStreamError("two objects in one stacking place");
        loaded.ZOrderList.reserve(stacked.size());
        for (const auto &[z, object] : stacked)
            loaded.ZOrderList.push_back(object);
    } catch (const std::exception &) {
        // EStreamError for a damaged record, bad_alloc for a picture larger than memory allows.
        *this = TPrintDocument(Kind);
        if (error)
            *error = DocumentInvalidMessage;
        return false;
    }
    *this = std::move(loaded);
    return true;
}

bool TPrintDocument::PicturesRefused() const
{
    return std::any_of(IllustList.begin(), IllustList.end(), [](const auto &object) { return object->PictureRefused(); })
           || (Background && Background->PictureRefused());
}

QSize TPrintDocument::PictureTooLarge() const
{
    for (const auto &object : IllustList)
        if (object->KeptJpeg() && object->KeptJpeg()->TooLarge())
            return object->KeptJpeg()->PictureSize();
    if (Background && Background->KeptJpeg() && Background->KeptJpeg()->TooLarge())
        return Background->KeptJpeg()->PictureSize();
    return {};
}

bool TPrintDocument::Open(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *this = TPrintDocument(Kind);
        if (error)
            *error = DocumentInvalidMessage;
        return false;
    }
    return Read(file.readAll(), error);
}

bool TPrintDocument::FindPaper(const TMasterFormats &master, const TCustomFormats &custom, TPaperFormat &paper,
                               TFormatCategory &sheet) const
{
    if (FormatNumber >= 0) {
        if (!master.Loaded || size_t(FormatNumber) >= master.Formats.size())
            return false;
        paper = master.Formats[size_t(FormatNumber)];
        sheet = master.SheetOf(paper);
        return true;
    }
    const int64_t id = -int64_t(FormatNumber);
    if (id > int64_t(UINT32_MAX))
        return false;
    const TCustomPaperRecord *record = custom.FindId(uint32_t(id));
    if (!record || !PaperFitsDocument(record->Format.Kind))
        return false;
    paper = record->Format;
    // A user label or card sheet is laid out by its own sheet record.
    if (Kind == LabelDocument || Kind == CardDocument)
        sheet = custom.SheetOf(paper);
    return true;
}

TAdditionRect &TPrintDocument::RecordItem(int row) const
{
    return static_cast<TAdditionRect &>(*SplitObjects.at(size_t(FirstSplitAddition + row)));
}

bool TPrintDocument::PaperFitsDocument(uint8_t paperKind) const
{
    switch (Kind) {
    case LabelDocument: return paperKind == 2;
    case CardDocument: return paperKind == 3;
    default: return paperKind <= 1;
    }
}

bool TPrintDocument::PaperExists(const TMasterFormats &master, const TCustomFormats &custom) const
{
    TPaperFormat paper;
    TFormatCategory sheet;
    return FindPaper(master, custom, paper, sheet);
}

void TPrintDocument::ApplyPrintForm()
{
    const TPrintForm &f = PrintForm;
    const auto sizeOf = [](TDrawRect *object, uint32_t step) {
        if (auto *address = dynamic_cast<TAddressRect *>(object))
            address->SizeStep = int(step);
        else if (auto *name = dynamic_cast<TNameRect *>(object))
            name->SizeStep = int(step);
        else if (auto *corp = dynamic_cast<TCorpRect *>(object))
            corp->SizeStep = int(step);
        else if (auto *addition = dynamic_cast<TAdditionRect *>(object))
            addition->SizeStep = int(step);
    };
    sizeOf(CombinedObjects[1].get(), f.AddressSize);
    sizeOf(CombinedObjects[2].get(), f.NameSize);
    sizeOf(CombinedObjects[5].get(), f.SenderAddressSize);
    sizeOf(CombinedObjects[6].get(), f.SenderNameSize);
    for (int i : {1, 2, 3})
        sizeOf(SplitObjects[i].get(), f.AddressSize);
    for (int i : {4, 5, 6, 7})
        sizeOf(SplitObjects[i].get(), f.NameSize);
    for (int i : {10, 11, 12})
        sizeOf(SplitObjects[i].get(), f.SenderAddressSize);
    for (int i : {13, 14, 15, 16})
        sizeOf(SplitObjects[i].get(), f.SenderNameSize);
    for (int i : {7, 8})
        sizeOf(CombinedObjects[i].get(), f.SenderAdditionSize);
    // A label's or card's additions are the receiver's.
    for (int i : {17, 18, 19, 20})
        sizeOf(SplitObjects[i].get(), HasRecordItems() ? f.AdditionSize : f.SenderAdditionSize);
    for (int i : {2, 6}) {
        auto &name = static_cast<TNameRect &>(*CombinedObjects[i]);
        name.SetRatio1(LayoutRatio(f.CorpRatio));
        name.SetRatio2(LayoutRatio(f.DptmntRatio));
        name.SetRatio3(LayoutRatio(f.PostRatio));
    }
    const auto eachFixed = [&](auto &&action) {
        for (auto &object : CombinedObjects)
            action(object.get());
        for (auto &object : SplitObjects)
            action(object.get());
    };
    eachFixed([&](TDrawRect *object) {
        if (auto *address = dynamic_cast<TAddressRect *>(object))
            address->SetDigitsUpright(f.DigitsUpright);
        if (auto *text = dynamic_cast<TMetaRect *>(object))
            text->UpdateFontHeight();
    });
    // The sender blocks' parts keep their font sizes in points: their heights follow the paper too.
    for (const auto &block : SenderList)
        block->UpdateFontHeight();
}

void TPrintDocument::TakeObjectDefaults(TWordRect &word, TFigureRect &figure) const
{
    if (!WordList.empty())
        TakeWordDefaults(*WordList.back(), word);
    if (!FigureList.empty())
        figure.Assign(*FigureList.back());
}

QImage TPrintDocument::MakeThumbnail(int sizeIndex, int paperWidth, int paperHeight,
                                     const QImage &paperPicture) const
{
    const int w = TenthsMmToLayout(paperWidth);
    const int h = TenthsMmToLayout(paperHeight);
    if (w <= 0 || h <= 0)
        return {};
    const double limit = sizeIndex == 0 ? 200 : 500;
    const double scale = std::min(limit / w, limit / h);
    QImage bitmap(int(RoundHalfAway(w * scale)), int(RoundHalfAway(h * scale)), QImage::Format_RGB888);
    bitmap.fill(Qt::white);
    if (!paperPicture.isNull()) {
        QImage picture = paperPicture;
        ResampleBitmap(picture, &bitmap, bitmap.width(), bitmap.height(), TResampleMode::Bicubic);
    }
    QPainter painter(&bitmap);
    TCanvas canvas(painter, LayoutDpi, LayoutDpi);
    if (Background && Background->Kind() != TBackImage::None)
        Background->DrawPage(canvas, QPoint(paperWidth, paperHeight), scale, 0, 0);
    // Each object goes back to the zoom it is shown at: the designer draws and hit-tests by it.
    for (auto object = ZOrderList.rbegin(); object != ZOrderList.rend(); ++object) {
        auto *illust = dynamic_cast<TIllustRect *>(*object);
        const double shownZoom = (*object)->Zoom();
        (*object)->SetZoom(scale);
        if (illust)
            illust->SetPrintMode(true);
        (*object)->Draw(canvas, 0, 0);
        if (illust)
            illust->SetPrintMode(false);
        (*object)->SetZoom(shownZoom);
    }
    return bitmap;
}

bool TPrintDocument::Save(const QString &fileName, int paperWidth, int paperHeight, const QImage &paperPicture,
                          QString *error)
{
    int writeError = 0;
    try {
        const QByteArray thumbnail = EncodeJpeg(MakeThumbnail(0, paperWidth, paperHeight, paperPicture));
        const QByteArray bytes = Bytes(thumbnail);
        const uint8_t kind = Kind;
        if (SaveWithSafetyCopy(fileName, bytes,
                               [kind](const QByteArray &written) { return ReadsAsDocument(kind, written); })) {
            Thumbnail = thumbnail;
            return true;
        }
        writeError = errno;
    } catch (const EStreamError &) {
    }
    if (error)
        *error = DocumentSaveFailedMessage + WriteFailureAt(fileName, writeError);
    return false;
}

bool ReadsAsDocument(uint8_t kind, const QByteArray &bytes)
{
    // A read sets the stream version of the file; the document being edited keeps its own.
    const int version = StreamVersion;
    const bool whole = TPrintDocument(kind).Read(bytes, nullptr);
    StreamVersion = version;
    return whole;
}

namespace {

QString safetyCopyOf(const QFileInfo &file) { return file.absolutePath() + "/$$" + file.fileName(); }

// The safety copy, a copy where the disk has no links, is on the disk before it takes the document's name.
bool replaceByRename(const QString &from, const QString &to)
{
    QFile copy(from);
    return copy.open(QIODevice::ReadOnly) && RenameDurably(copy.handle(), from, to);
}

QByteArray readWhole(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

bool SaveWithSafetyCopy(const QString &fileName, const QByteArray &bytes,
                        const std::function<bool(const QByteArray &)> &readsBack)
{
    const QFileInfo info(fileName);
    if (!ForceDirectories(info.absolutePath()))
        return false;
    const QString safety = safetyCopyOf(info);
    // A name whose safety copy the disk would refuse is refused at the first save already, not only once a save
    // has a file to keep.
    if (const int error = NameLengthError(safety)) {
        errno = error;
        return false;
    }
    const bool hadFile = info.exists();
    const std::string oldName = QFile::encodeName(fileName).toStdString();
    const std::string copyName = QFile::encodeName(safety).toStdString();
    // The new file is written whole beside the old one first. The old one then gets the safety copy's name as
    // a second name (a copy where the disk has no links) and the new one takes the name in one step, so the
    // name holds a whole document, the old or the new, whenever the program may be ended.
    bool copied = false;
    const auto keepOld = [&] {
        if (!hadFile)
            return true;
        // A safety copy left by a run that ended in the middle of a save is older than the file itself.
        if (QFileInfo::exists(safety) && !QFile::remove(safety))
            return false;
        std::error_code failed;
        std::filesystem::create_hard_link(oldName, copyName, failed);
        if (failed)
            std::filesystem::copy_file(oldName, copyName, failed);
        copied = !failed;
        errno = failed.value();
        return copied;
    };
    if (!ReplaceFileWhole(fileName, bytes, keepOld)) {
        // Why the write failed, not what removing the copy left in errno.
        const int error = errno;
        if (copied)
            QFile::remove(safety);
        errno = error;
        return false;
    }
    // The copy goes only once the file written reads back as what was meant.
    if (!readsBack(readWhole(fileName))) {
        if (hadFile)
            replaceByRename(safety, fileName);
        else
            QFile::remove(fileName);
        errno = EIO;
        return false;
    }
    if (hadFile)
        QFile::remove(safety);
    return true;
}

void RecoverEndedSaves(const QString &folder, const QString &extension, uint8_t kind)
{
    const QDir dir(folder);
    for (const QFileInfo &copy : dir.entryInfoList({"$$*" + extension}, QDir::Files | QDir::Hidden)) {
        const QString document = copy.absolutePath() + "/" + copy.fileName().mid(2);
        if (ReadsAsDocument(kind, readWhole(document)))
            QFile::remove(copy.absoluteFilePath());  // its save ended after the new file was whole
        else if (ReadsAsDocument(kind, readWhole(copy.absoluteFilePath())))
            replaceByRename(copy.absoluteFilePath(), document);
    }
    // The hidden files of saves killed before the new file took the document's name: ".<document>.velmora-XXXXXX".
    const QString hidden = QStringLiteral(".velmora-??????");
    for (const QString &name : dir.entryList({".*" + extension + hidden}, QDir::Files | QDir::Hidden))
        RemoveKilledWrites(folder, name.mid(1, name.size() - 1 - hidden.size()));
}
