// Documents whose pictures are made to cost a decoder seconds and gigabytes (HostileJpegs.h), opened by the
// program, and the open dialog's thumbnail of one, beside the same pictures decoded by the library with no
// bound, as the program decoded them before, in the same run; and the photograph those bounds must let
// through (24 megapixels, progressive, without chroma subsampling; 64 megapixels, progressive, with and without
// it) inserted on a postcard and opened. Each case runs in a child process of its own,
// so the peak memory shown is what that process reached (as /usr/bin/time -v gives it), the program's own
// start included.
// Usage: bench_jpeg                           the table
//        bench_jpeg --write FOLDER            the cases' documents and pictures, for the next form
//        bench_jpeg --case N FOLDER [--unbounded]   one case in this process, for /usr/bin/time -v
#include "HostileJpegs.h"
#include "HostileLayout.h"

#include "designers/CanvasGeometry.h"
#include "designers/PrintDocument.h"
#include "designers/PrtFiles.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/IllustRect.h"

#include "BenchSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

// What the program does with a case's files.
enum class TWork : char {
    Open = 'o',       // opens the document
    Thumbnail = 't',  // decodes the document's thumbnail as the open dialog does
    Insert = 'i',     // inserts the picture file on a postcard as the designer does
};

struct TCase {
    const char *what;
    QByteArray picture;  // as the library alone decodes it
    QByteArray document;
    TWork work;
};

std::vector<TCase> cases()
{
    const QByteArray plainThumbnail = BaselineJpeg(135, 200);
    const QByteArray huge = ProgressiveJpeg(18000, 18000, 1);
    const QByteArray hugeBaseline = BaselineJpeg(18000, 18000);
    const QByteArray scans = ProgressiveJpeg(1024, 1024, 20000);
    const QByteArray thumbnailScans = ProgressiveJpeg(1024, 1024, 100000);
    const QByteArray small = BaselineJpeg(64, 64);
    const QByteArray photo = PhotoJpeg(6000, 4000);
    const QByteArray camera = PhotoJpeg(9248, 6936, {.Subsampled = true, .Quality = 90});
    const QByteArray camera444 = PhotoJpeg(9248, 6936, {.Quality = 90});
    // The picture objects are 100 x 148 mm, the size of a postcard; the 64-megapixel photographs' 100 x 75 mm,
    // the size they are inserted at.
    return {{"picture 18,000² progressive", huge, LayoutWithPictures(huge, 378, 559, plainThumbnail), TWork::Open},
            {"picture 18,000² baseline", hugeBaseline, LayoutWithPictures(hugeBaseline, 378, 559, plainThumbnail),
             TWork::Open},
            {"picture 1,024², 20,000 scans", scans, LayoutWithPictures(scans, 378, 559, plainThumbnail), TWork::Open},
            {"thumbnail 1,024², 100,000 scans", thumbnailScans, LayoutWithPictures(small, 378, 559, thumbnailScans),
             TWork::Thumbnail},
            {"photo 6,000 x 4,000 progressive 4:4:4, inserted", photo, {}, TWork::Insert},
            {"photo 6,000 x 4,000 progressive 4:4:4, opened", photo, LayoutWithPictures(photo, 378, 559, plainThumbnail),
             TWork::Open},
            {"photo 9,248 x 6,936 progressive 4:2:0, inserted", camera, {}, TWork::Insert},
            {"photo 9,248 x 6,936 progressive 4:2:0, opened", camera,
             LayoutWithPictures(camera, 378, 284, plainThumbnail), TWork::Open},
            {"photo 9,248 x 6,936 progressive 4:4:4, inserted", camera444, {}, TWork::Insert},
            {"photo 9,248 x 6,936 progressive 4:4:4, opened", camera444,
             LayoutWithPictures(camera444, 378, 284, plainThumbnail), TWork::Open}};
}

// The photograph inserted as the designer inserts a picture file on a postcard whose printable area is the
// whole card: decoded for the object it makes, which then takes it; false where the designer would say the
// picture is too large or unreadable.
bool insertPicture(const QString &file)
{
    const TRect card{0, 0, 378, 559};
    int resolution = 72;
    std::unique_ptr<TGraphic> picture;
    try {
        picture = LoadPictureFile(file, resolution, [&](QSize size) {
            return PictureCover(PictureLayoutSize(size, resolution, card, card.Right, card.Bottom));
        });
    } catch (const EStreamError &) {
        return false;
    }
    if (!picture)
        return false;
    TIllustRect object;
    object.SetPicture(picture.get());
    const QSize size = PictureLayoutSize(object.PictureSize(), resolution, card, card.Right, card.Bottom);
    object.SetRect(TRect{0, 0, size.width(), size.height()});
    return !object.GetPicture().isNull();
}

struct TLibraryErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void libraryFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TLibraryErrors *>(info->err)->jump, 1);
}

// The whole picture at full size with every scan, into memory of its own: the library with no bound.
bool decodeUnbounded(const QByteArray &jpeg)
{
    jpeg_decompress_struct info{};
    TLibraryErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = libraryFail;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const uchar *>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * 3;
    auto *pixels = static_cast<uchar *>(std::malloc(stride * info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(pixels);
    return true;
}

// Runs one case in this process from its document and picture file: true when the picture (or thumbnail) came
// out.
bool runCase(const TCase &c, bool unbounded, const QString &document, const QString &picture)
{
    if (unbounded)
        return decodeUnbounded(c.picture);
    switch (c.work) {
    case TWork::Thumbnail: {
        TDocumentKind kind;
        DocumentKindOf(LayoutDocument, kind);
        return !ThumbnailPicture(ReadThumbnail(kind, document)).isNull();
    }
    case TWork::Insert: return insertPicture(picture);
    case TWork::Open: break;
    }
    TPrintDocument doc;
    return doc.Open(document, nullptr) && !doc.IllustList.front()->GetPicture().isNull();
}

struct TMeasure {
    double seconds = 0;
    long peakKb = 0;
    bool decoded = false;
};

TMeasure inChild(const std::function<bool()> &work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QElapsedTimer timer;
        timer.start();
        const bool decoded = work();
        const double took = seconds(timer);
        (void)!write(pipeEnds[1], &took, sizeof took);
        _exit(decoded ? 0 : 1);
    }
    close(pipeEnds[1]);
    TMeasure m;
    if (read(pipeEnds[0], &m.seconds, sizeof m.seconds) != sizeof m.seconds)
        m.seconds = -1;
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    m.peakKb = usage.ru_maxrss;
    m.decoded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    // --case N FOLDER: one case in this process, from the files --write left in FOLDER, so that /usr/bin/time
    // counts the opening and nothing of the making.
    if (argc > 3 && std::strcmp(argv[1], "--case") == 0) {
        const QString stem = QString::fromLocal8Bit(argv[3]) + QStringLiteral("/case%1").arg(argv[2]);
        const bool unbounded = argc > 4 && std::strcmp(argv[4], "--unbounded") == 0;
        QFile picture(stem + ".jpg");
        QFile work(stem + ".work");
        TCase c{argv[2], {}, {}, TWork::Open};
        if (work.open(QIODevice::ReadOnly) && work.size() == 1)
            c.work = TWork(work.readAll().at(0));
        if (unbounded && picture.open(QIODevice::ReadOnly))
            c.picture = picture.readAll();
        const bool decoded = runCase(c, unbounded, stem + ".gpl", stem + ".jpg");
        std::printf("case %s%s: %s\n", argv[2], unbounded ? " (library, no bound)" : "",
                    decoded ? "decoded" : "refused");
        return 0;
    }
    const std::vector<TCase> all = cases();
    QTemporaryDir temporary;
    const QString folder = argc > 2 && std::strcmp(argv[1], "--write") == 0 ? QString::fromLocal8Bit(argv[2])
                                                                            : temporary.path();
    std::vector<QString> stems;
    for (size_t i = 0; i < all.size(); ++i) {
        const QString stem = folder + QStringLiteral("/case%1").arg(i);
        stems.push_back(stem);
        for (const auto &[name, bytes] : {std::pair{stem + ".gpl", all[i].document},
                                          std::pair{stem + ".jpg", all[i].picture},
                                          std::pair{stem + ".work", QByteArray(1, char(all[i].work))}}) {
            QFile out(name);
            if (!bytes.isEmpty() && (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()))
                return 2;
        }
    }
    if (folder != temporary.path())
        return 0;
    std::printf("| case | document or file | program | peak | picture | library, no bound | peak |\n"
                "|---|---:|---:|---:|---|---:|---:|\n");
    for (size_t i = 0; i < all.size(); ++i) {
        const QString document = stems[i] + ".gpl", picture = stems[i] + ".jpg";
        const TMeasure ours = inChild([&] { return runCase(all[i], false, document, picture); });
        const TMeasure raw = inChild([&] { return runCase(all[i], true, document, picture); });
        const qsizetype bytes = all[i].work == TWork::Insert ? all[i].picture.size() : all[i].document.size();
        std::printf("| %s | %.2f MB | %.3f s | %ld MB | %s | %.3f s | %ld MB |\n", all[i].what, bytes / 1e6,
                    ours.seconds, ours.peakKb / 1024, ours.decoded ? "shown" : "left out", raw.seconds,
                    raw.peakKb / 1024);
        std::fflush(stdout);
    }
    return 0;
}
