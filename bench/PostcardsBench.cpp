// The address sides of a book of postcards printed to one PDF through the layout objects (postal code in its
// boxes, a three-line vertical address, the company, the name with its honorific), one 100 x 148 mm page per
// record as the address designer prints them, beside the same strings drawn horizontally with plain
// QPainter::drawText into the same kind of PDF; the peak memory of each side and its resident size along the
// pages; and each object's layout at 600 dpi.
// Usage: bench_postcards [records] [file.pdf]
#include "drawing/AddressRect.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/PrintJob.h"

#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

constexpr int Dpi = 600;
constexpr int Checkpoints = 5;
constexpr int Rounds = 3;

struct TJoint {
    QString Name;
    QString Honor;
};

struct TRecord {
    QString Code;
    std::array<QString, 3> Lines;
    QString Company;
    QString Name;
    QString Honor;
    QList<TJoint> Joints;
};

QString fullWidth(int n)
{
    QString out = QString::number(n);
    for (QChar &c : out)
        c = QChar(u'０' + (c.unicode() - u'0'));
    return out;
}

QString kanjiNumber(int n)
{
    static const QString digits = QStringLiteral("〇一二三四五六七八九");
    QString out;
    if (n >= 10)
        out += (n / 10 > 1 ? QString(digits[n / 10]) : QString()) + u'十';
    return n % 10 ? out + digits[n % 10] : out;
}

// Sample records that lead the layouts through their cases: boxed and formatted codes, addresses of one to
// three lines with digit runs across the column and kanji numbers, short companies and long ones that split,
// names with and without joint names.
QList<TRecord> makeRecords(int count)
{
    static const QStringList towns{
        QStringLiteral("東京都千代田区神田駿河台"), QStringLiteral("大阪府大阪市北区梅田"),
        QStringLiteral("神奈川県横浜市西区みなとみらい"), QStringLiteral("愛知県名古屋市中村区名駅"),
        QStringLiteral("北海道札幌市中央区北一条西"), QStringLiteral("福岡県福岡市博多区博多駅前"),
        QStringLiteral("京都府京都市下京区烏丸通四条下ル"), QStringLiteral("宮城県仙台市青葉区一番町"),
        QStringLiteral("広島県広島市中区紙屋町"), QStringLiteral("埼玉県さいたま市大宮区桜木町"),
        QStringLiteral("長野県松本市"), QStringLiteral("沖縄県那覇市久茂地")};
    static const QStringList buildings{QStringLiteral("駿河台センタービル"), QStringLiteral("ヴェルモアタワー"),
                                       QStringLiteral("第二梅田ハイツ"), QStringLiteral("ランドマークプラザ")};
    static const QStringList companies{
        QStringLiteral("株式会社ヴェルモア商事"), QStringLiteral("ベルモーラ工業株式会社\u3000東京支社"),
        QStringLiteral("株式会社ベルモーラ・ソリューションズ\u3000関東本部"), QStringLiteral("有限会社山田製作所"),
        QStringLiteral("北斗運輸株式会社"), QStringLiteral("株式会社みなと設計事務所\u3000横浜営業所")};
    static const QStringList families{QStringLiteral("山田"), QStringLiteral("佐藤"), QStringLiteral("鈴木"),
                                      QStringLiteral("高橋"), QStringLiteral("長谷川"), QStringLiteral("渡辺"),
                                      QStringLiteral("小比類巻"), QStringLiteral("林")};
    static const QStringList givens{QStringLiteral("太郎"), QStringLiteral("花子"), QStringLiteral("健"),
                                    QStringLiteral("由美子"), QStringLiteral("一郎"), QStringLiteral("さくら"),
                                    QStringLiteral("健太郎"), QStringLiteral("翔")};
    Sample s;
    const auto pick = [&s](const QStringList &list) { return list[s.between(0, int(list.size()) - 1)]; };
    QList<TRecord> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        TRecord r;
        const QString code = QString::number(s.between(1000000, 9999999));
        r.Code = i % 10 == 9 ? u'〒' + code.left(3) + u'-' + code.mid(3) : code;
        const int block = s.between(1, 9), lot = s.between(1, 40), house = s.between(1, 30);
        r.Lines[0] = pick(towns);
        switch (i % 4) {
        case 0: r.Lines[1] = fullWidth(block) + QStringLiteral("丁目") + fullWidth(lot) + u'番' + fullWidth(house) + u'号'; break;
        case 1: r.Lines[1] = kanjiNumber(block) + QStringLiteral("丁目") + kanjiNumber(lot) + QStringLiteral("番地"); break;
        case 2: r.Lines[1] = fullWidth(s.between(1, 3000)) + QStringLiteral("番地") + fullWidth(house); break;
        default: r.Lines[1] = fullWidth(block) + QStringLiteral("丁目") + fullWidth(lot) + QStringLiteral("番地の") + fullWidth(house); break;
        }
        if (i % 3 != 0)
            r.Lines[2] = pick(buildings) + fullWidth(s.between(101, 1205)) + QStringLiteral("号室");
        if (i % 5 != 4)
            r.Company = pick(companies);
        r.Name = pick(families) + u'\u3000' + pick(givens);
        r.Honor = i % 7 == 6 ? QStringLiteral("殿") : QStringLiteral("様");
        for (int j = i % 4 == 1 ? s.between(1, 2) : 0; j > 0; --j)
            r.Joints.append({pick(givens), i % 8 == 1 ? QStringLiteral("くん") : QStringLiteral("様")});
        records.append(r);
    }
    return records;
}

// Layout units (1/96 inch) of a length in 0.1 mm, and a rectangle given in 0.1 mm.
int units(int tenthsMm) { return static_cast<int>(std::lround(tenthsMm * 96 / 254.0)); }
TRect mm(int left, int top, int right, int bottom) { return {units(left), units(top), units(right), units(bottom)}; }

// The address side as a designer lays it out: the code boxes at the top, the address on the right, the
// company left of it, the name in the middle.
struct TAddressSide {
    TPosRect Code;
    TAddressRect Address;
    TCorpRect Company;
    TNameRect Name;

    TAddressSide()
    {
        Code.SetRect(mm(440, 120, 917, 200));
        Address.SetRect(mm(780, 300, 960, 1400));
        Company.SetRect(mm(620, 300, 760, 1300));
        Company.SetOption(1);
        Name.SetRect(mm(250, 300, 600, 1350));
        Name.SetKind(1);
    }
    // The objects, in printing order.
    std::array<TMetaRect *, 4> Objects() { return {&Code, &Address, &Company, &Name}; }

    void SetRecord(const TRecord &r)
    {
        Code.SetText(r.Code);
        for (int i = 0; i < 3; ++i)
            Address.SetLine(i, r.Lines[size_t(i)]);
        Company.SetText(r.Company);
        Name.SetName(r.Name);
        Name.SetHonor(r.Honor);
        Name.SetJointCount(int(r.Joints.size()));
        for (int j = 0; j < r.Joints.size(); ++j) {
            Name.SetJointName(j, r.Joints[j].Name);
            Name.SetJointHonor(j, r.Joints[j].Honor);
        }
    }
};

// Prints object as the designer does for each record: its size for the paper, its printed rectangle, the
// picture made again for the new texts, the picture played onto the page.
void PrintOnPage(TMetaRect &object, TCanvas &canvas)
{
    object.UpdateFontHeight();
    object.CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
    object.Prepare(canvas.Target(), false);
    object.Print(canvas, 0, 0);
}

// What one side of the run measured, handed from its process to the parent.
struct TSideResult {
    double Seconds = 0;
    double CpuSeconds = 0;                   // user and system time of the process meanwhile
    long StartKb = 0;                        // resident before the first page (program, fonts, records)
    std::array<long, Checkpoints> RssKb{};   // resident after each fifth of the pages
    long PeakKb = 0;                         // VmHWM at the end
    qint64 FileBytes = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void setUpPdf(QPdfWriter &writer)
{
    writer.setPageSize(QPageSize(QSizeF(100, 148), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(Dpi);
    writer.setCreator(QStringLiteral("bench_postcards"));
}

// Writes one page per record into file, drawing each with drawPage, and measures the time and memory.
TSideResult writePdf(const QString &file, const QList<TRecord> &records,
                     const std::function<void(QPainter &, const TRecord &)> &drawPage)
{
    TSideResult result;
    result.StartKb = statusKb("VmRSS:");
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    {
        QPdfWriter writer(file);
        setUpPdf(writer);
        TPrintJob job(writer, file);
        size_t next = 0;
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (i > 0)
                job.NewPage();
            drawPage(job.Painter(), records[i]);
            while (next < Checkpoints && i + 1 == records.size() * qsizetype(next + 1) / Checkpoints)
                result.RssKb[next++] = statusKb("VmRSS:");
        }
        job.End();  // the text maps corrected: part of writing the file
    }
    result.Seconds = seconds(timer);
    result.CpuSeconds = cpuSeconds() - cpuBefore;
    result.PeakKb = statusKb("VmHWM:");
    result.FileBytes = QFileInfo(file).size();
    return result;
}

TSideResult printWithObjects(const QString &file, const QList<TRecord> &records)
{
    TAddressSide side;
    return writePdf(file, records, [&side](QPainter &painter, const TRecord &r) {
        side.SetRecord(r);
        TCanvas canvas(painter, Dpi, Dpi);
        for (TMetaRect *object : side.Objects())
            PrintOnPage(*object, canvas);
    });
}

// The same strings in lines across the page, in the objects' face at the address's base size.
TSideResult printWithDrawText(const QString &file, const QList<TRecord> &records)
{
    QFont font(QStringLiteral("ＭＳ 明朝"));
    font.setPixelSize(100);
    const qreal line = 130;
    return writePdf(file, records, [&font, line](QPainter &painter, const TRecord &r) {
        painter.setFont(font);
        QPointF at(60, 200);
        const auto draw = [&](const QString &text) {
            if (text.isEmpty())
                return;
            painter.drawText(at, text);
            at.ry() += line;
        };
        draw(r.Code);
        for (const QString &l : r.Lines)
            draw(l);
        draw(r.Company);
        draw(r.Name + u'\u3000' + r.Honor);
        for (const TJoint &joint : r.Joints)
            draw(joint.Name + u'\u3000' + joint.Honor);
    });
}

// Runs side in a process of its own, so its peak memory is its own.
TSideResult runApart(int argc, char **argv, const std::function<TSideResult()> &side)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QGuiApplication app(argc, argv);
        InstallFontSubstitutions();
        const TSideResult result = side();
        const bool written = write(pipeEnds[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    TSideResult result;
    if (child < 0 || read(pipeEnds[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(pipeEnds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return result;
}

// Seconds per record of layout for one object kind: the record's texts set, the size for the paper and the
// picture made at 600 dpi; with onPage while a canvas on a 600-dpi page is open, as when printing, whose
// resolved fonts the picture's canvas shares.
double layoutSeconds(TMetaRect &object, TAddressSide &side, const QList<TRecord> &records, bool onPage)
{
    QImage page(8, 8, QImage::Format_RGB32);
    QPainter painter(&page);
    std::optional<TCanvas> canvas;
    if (onPage)
        canvas.emplace(painter, Dpi, Dpi);
    QElapsedTimer timer;
    double total = 0;
    for (const TRecord &r : records) {
        side.SetRecord(r);
        timer.start();
        object.UpdateFontHeight();
        object.Prepare({true, Dpi, Dpi}, true);
        total += seconds(timer);
    }
    return total / records.size();
}

void printSide(const char *what, const TSideResult &r, int pages)
{
    std::printf("  %-9s %6.2f s (CPU %.2f s) %6.3f ms/page  start %3ld MB  at fifths", what, r.Seconds,
                r.CpuSeconds, r.Seconds * 1000 / pages, r.StartKb / 1024);
    for (long kb : r.RssKb)
        std::printf(" %4ld", kb / 1024);
    std::printf(" MB  peak %4ld MB  file %.1f MB\n", r.PeakKb / 1024, r.FileBytes / 1048576.0);
}

}  // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    UseOffscreenPlatform();
    PaperScale = 1480;

    QString file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (file.isEmpty())
        file = QDir::temp().filePath(QStringLiteral("bench_postcards-%1.pdf").arg(getpid()));
    const QString baselineFile = file + QStringLiteral(".drawtext.pdf");
    std::printf("%d records, %d dpi, fastest of %d runs each; the objects' PDF: %s\n", count, Dpi, Rounds,
                qPrintable(file));
    std::fflush(stdout);

    // The sides take turns; the fastest run of each counts, since other work on the machine only slows a run.
    TSideResult objects, baseline;
    const auto keepFastest = [](TSideResult &best, const TSideResult &run) {
        if (run.Seconds <= 0)
            return false;
        std::printf("  run: %.2f s (CPU %.2f s)\n", run.Seconds, run.CpuSeconds);
        std::fflush(stdout);
        if (best.Seconds <= 0 || run.Seconds < best.Seconds)
            best = run;
        return true;
    };
    for (int round = 0; round < Rounds; ++round) {
        if (!keepFastest(objects, runApart(argc, argv, [&] { return printWithObjects(file, makeRecords(count)); }))
            || !keepFastest(baseline, runApart(argc, argv, [&] {
                   return printWithDrawText(baselineFile, makeRecords(count));
               }))) {
            std::fprintf(stderr, "a side did not finish\n");
            return 1;
        }
    }
    QFile::remove(baselineFile);
    std::printf("\n| pages | objects | drawText | ratio | objects per page | drawText per page |\n"
                "|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %.2f s | %.2f s | %.2f | %.3f ms | %.3f ms |\n\n", count, objects.Seconds, baseline.Seconds,
                objects.Seconds / baseline.Seconds, objects.Seconds * 1000 / count, baseline.Seconds * 1000 / count);
    std::printf("Resident memory of the fastest runs (start, after each fifth of the pages, peak VmHWM):\n");
    printSide("objects", objects, count);
    printSide("drawText", baseline, count);
    std::printf("  growth from the first fifth to the end: objects %+ld MB, drawText %+ld MB\n\n",
                (objects.RssKb.back() - objects.RssKb.front()) / 1024,
                (baseline.RssKb.back() - baseline.RssKb.front()) / 1024);

    QGuiApplication app(argc, argv);
    InstallFontSubstitutions();
    const QList<TRecord> records = makeRecords(std::min(count, 2000));
    TAddressSide side;
    std::printf("| object | layout at 600 dpi, per record | the same with a page canvas open |\n|---|---:|---:|\n");
    const char *names[] = {"TPosRect (postal code)", "TAddressRect (address)", "TCorpRect (company)",
                           "TNameRect (name)"};
    for (size_t k = 0; k < side.Objects().size(); ++k) {
        TMetaRect &object = *side.Objects()[k];
        layoutSeconds(object, side, records.mid(0, 50), true);  // fonts loaded and shaped once
        const double alone = layoutSeconds(object, side, records, false);
        std::printf("| %-24s | %8.1f µs | %8.1f µs |\n", names[k], alone * 1e6,
                    layoutSeconds(object, side, records, true) * 1e6);
    }
    return 0;
}
