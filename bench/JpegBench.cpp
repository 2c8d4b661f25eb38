// Documents whose pictures are made to cost a decoder seconds and gigabytes (HostileJpegs.h), opened by the
// program, and the open dialog's thumbnail of one, beside the same pictures decoded by the library with no
// bound, as the program decoded them before, in the same run. Each case runs in a child process of its own,
// so the peak memory shown is what that process reached (as /usr/bin/time -v gives it), the program's own
// start included.
// Usage: bench_jpeg                           the table
//        bench_jpeg --write FOLDER            the cases' documents and pictures, for the next form
//        bench_jpeg --case N FOLDER [--unbounded]   one case in this process, for /usr/bin/time -v
#include "HostileJpegs.h"
#include "HostileLayout.h"

#include "designers/PrintDocument.h"
#include "designers/PrtFiles.h"
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
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

struct TCase {
    const char *what;
    QByteArray picture;  // as the library alone decodes it
    QByteArray document;
    bool thumbnail;  // the open dialog's thumbnail, else the document opened
};

std::vector<TCase> cases()
{
    const QByteArray plainThumbnail = BaselineJpeg(135, 200);
    const QByteArray huge = ProgressiveJpeg(18000, 18000, 1);
    const QByteArray hugeBaseline = BaselineJpeg(18000, 18000);
    const QByteArray scans = ProgressiveJpeg(1024, 1024, 20000);
    const QByteArray thumbnailScans = ProgressiveJpeg(1024, 1024, 100000);
    const QByteArray small = BaselineJpeg(64, 64);
    // The picture objects are 100 x 148 mm, the size of a postcard.
    return {{"picture 18,000² progressive", huge, LayoutWithPictures(huge, 378, 559, plainThumbnail), false},
            {"picture 18,000² baseline", hugeBaseline, LayoutWithPictures(hugeBaseline, 378, 559, plainThumbnail),
             false},
            {"picture 1,024², 20,000 scans", scans, LayoutWithPictures(scans, 378, 559, plainThumbnail), false},
            {"thumbnail 1,024², 100,000 scans", thumbnailScans, LayoutWithPictures(small, 378, 559, thumbnailScans),
             true}};
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

// Runs one case in this process: true when the picture (or thumbnail) came out.
bool runCase(const TCase &c, bool unbounded, const QString &file)
{
    if (unbounded)
        return decodeUnbounded(c.picture);
    if (c.thumbnail) {
        TDocumentKind kind;
        DocumentKindOf(LayoutDocument, kind);
        return !ThumbnailPicture(ReadThumbnail(kind, file)).isNull();
    }
    TPrintDocument doc;
    return doc.Open(file, nullptr) && !doc.IllustList.front()->GetPicture().isNull();
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
        TCase c{argv[2], {}, {}, QFile::exists(stem + ".thumbnail")};
        if (unbounded && picture.open(QIODevice::ReadOnly))
            c.picture = picture.readAll();
        const bool decoded = runCase(c, unbounded, stem + ".gpl");
        std::printf("case %s%s: %s\n", argv[2], unbounded ? " (library, no bound)" : "",
                    decoded ? "decoded" : "refused");
        return 0;
    }
    const std::vector<TCase> all = cases();
    QTemporaryDir temporary;
    const QString folder = argc > 2 && std::strcmp(argv[1], "--write") == 0 ? QString::fromLocal8Bit(argv[2])
                                                                            : temporary.path();
    std::vector<QString> files;
    for (size_t i = 0; i < all.size(); ++i) {
        const QString stem = folder + QStringLiteral("/case%1").arg(i);
        files.push_back(stem + ".gpl");
        const QByteArray mark = all[i].thumbnail ? QByteArray("1") : QByteArray();
        for (const auto &[name, bytes] : {std::pair{files.back(), all[i].document},
                                          std::pair{stem + ".jpg", all[i].picture},
                                          std::pair{stem + ".thumbnail", mark}}) {
            QFile out(name);
            if (!bytes.isEmpty() && (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()))
                return 2;
        }
    }
    if (folder != temporary.path())
        return 0;
    std::printf("| case | document | program | peak | picture | library, no bound | peak |\n"
                "|---|---:|---:|---:|---|---:|---:|\n");
    for (size_t i = 0; i < all.size(); ++i) {
        const TMeasure ours = inChild([&] { return runCase(all[i], false, files[i]); });
        const TMeasure raw = inChild([&] { return runCase(all[i], true, files[i]); });
        std::printf("| %s | %.2f MB | %.3f s | %ld MB | %s | %.3f s | %ld MB |\n", all[i].what,
                    all[i].document.size() / 1e6, ours.seconds, ours.peakKb / 1024,
                    ours.decoded ? "shown" : "left out", raw.seconds, raw.peakKb / 1024);
        std::fflush(stdout);
    }
    return 0;
}
