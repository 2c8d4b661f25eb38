// Documents whose pictures are made to cost a decoder seconds and gigabytes (HostileJpegs.h), opened by the
// program, and the open dialog's thumbnail of one, beside the same pictures decoded by the library with no
// bound, as the program decoded them before, in the same run. Each case runs in a child process of its own,
// so the peak memory shown is what that process reached (as /usr/bin/time -v gives it), the program's own
// start included.
// Usage: bench_jpeg [--case N [--unbounded]]   (one case in this process, for /usr/bin/time -v)
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

extern "C" void libraryFail(j_common_ptr info) { std::longjmp(reinterpret_cast<TLibraryErrors *>(info->err)->jump, 1); }

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
    const std::vector<TCase> all = cases();
    QTemporaryDir dir;
    std::vector<QString> files;
    for (size_t i = 0; i < all.size(); ++i) {
        files.push_back(dir.filePath(QStringLiteral("case%1.gpl").arg(i)));
        QFile out(files.back());
        if (!out.open(QIODevice::WriteOnly) || out.write(all[i].document) != all[i].document.size())
            return 2;
    }
    if (argc > 2 && std::strcmp(argv[1], "--case") == 0) {
        const size_t i = size_t(std::atoi(argv[2]));
        if (i >= all.size())
            return 2;
        const bool unbounded = argc > 3 && std::strcmp(argv[3], "--unbounded") == 0;
        const bool decoded = runCase(all[i], unbounded, files[i]);
        std::printf("%s%s: %s\n", all[i].what, unbounded ? " (library, no bound)" : "",
                    decoded ? "decoded" : "refused");
        return 0;
    }
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
