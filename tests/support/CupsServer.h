// A CUPS scheduler of the test's own: cupsd started on a private configuration, state and socket in a
// temporary folder, with one queue, "Velmora_Test", whose device is a file of that folder. Its model offers
// A4 and the postcard with 12-point margins at 600 dpi; its filter passes the job through unchanged and notes
// the copies and the title the scheduler handed it. While it lives, this process and the programs it starts
// print through it (CUPS_SERVER), and the program's printer list is read again.
// Header-only: it needs the CUPS library, which only the printing test programs link.
#pragma once

#include "drawing/PrinterInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>

#include <gtest/gtest.h>

namespace test {

class CupsServer {
public:
    static constexpr char Queue[] = "Velmora_Test";

    CupsServer()
    {
        const QString root = dir_.path();
        const auto readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                              | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                              | QFileDevice::ExeOther;
        QFile::setPermissions(root, readable);
        for (const char *sub : {"spool", "cache", "state", "log", "bin/filter", "bin/daemon", "out"}) {
            QDir().mkpath(root + "/" + sub);
            QFile::setPermissions(root + "/" + sub, readable);
        }
        // The scheduler runs its filters as its own user, which must be able to write the device file.
        QFile::setPermissions(root + "/out", readable | QFileDevice::WriteGroup | QFileDevice::WriteOther);
        Socket = root + "/cups.sock";
        write("cupsd.conf", "Listen " + Socket.toUtf8() + "\nLogLevel warn\nBrowsing No\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        const QByteArray r = root.toUtf8();
        write("cups-files.conf", "FileDevice Yes\nServerRoot " + r + "\nServerBin " + r + "/bin\nRequestRoot " + r
                                     + "/spool\nTempDir " + r + "/spool\nCacheDir " + r + "/cache\nStateDir " + r
                                     + "/state\nErrorLog " + r + "/log/error_log\nAccessLog " + r
                                     + "/log/access_log\nPageLog " + r + "/log/page_log\n");
        write("bin/filter/passthrough", "#!/bin/sh\n# job user title copies options [file]\n"
                                        "printf '%s\\n%s\\n' \"$4\" \"$3\" > \"" + r + "/out/job.args\"\n"
                                        "if [ -n \"$6\" ]; then exec cat \"$6\"; fi\nexec cat\n",
              true);
        // The scheduler starts every filter through its helper in the server's bin folder.
        QFile::link(QStringLiteral("/usr/lib/cups/daemon/cups-exec"), root + "/bin/daemon/cups-exec");
        write("velmora.ppd", ppd());

        cupsd_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cupsd_.start(QStringLiteral("/usr/sbin/cupsd"),
                     {"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
        if (!cupsd_.waitForStarted(10000)) {
            ADD_FAILURE() << "cupsd does not start (tools/install-deps.sh --test installs it)";
            return;
        }
        for (int i = 0; i < 100 && !QFileInfo::exists(Socket); ++i)
            QThread::msleep(50);
        qputenv("CUPS_SERVER", Socket.toUtf8());
        cupsSetServer(Socket.toUtf8().constData());
        QProcess lpadmin;
        lpadmin.start(QStringLiteral("lpadmin"), {"-p", Queue, "-E", "-v", "file://" + root + "/out/job.prn", "-P",
                                                  root + "/velmora.ppd"});
        if (!lpadmin.waitForFinished(20000) || lpadmin.exitCode() != 0) {
            ADD_FAILURE() << "lpadmin: " << lpadmin.readAllStandardError().toStdString();
            return;
        }
        SetPrintDriver(nullptr);  // the printer list as this scheduler has it
        Running = true;
    }

    ~CupsServer()
    {
        if (cupsd_.state() != QProcess::NotRunning) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(10000))
                cupsd_.kill();
        }
        qunsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
        SetPrintDriver(nullptr);
    }
    CupsServer(const CupsServer &) = delete;
    CupsServer &operator=(const CupsServer &) = delete;

    // The file the queue's device received, once the job has left the scheduler (empty after timeoutMs).
    QByteArray WaitForJobFile(int timeoutMs = 20000) const
    {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (QFileInfo::exists(dir_.path() + "/out/job.args") && jobsLeft() == 0)
                return readAll(dir_.path() + "/out/job.prn");
            QThread::msleep(100);
        }
        return QByteArray();
    }
    // The copies and the title the filter was given.
    QStringList JobArguments() const
    {
        return QString::fromUtf8(readAll(dir_.path() + "/out/job.args")).split('\n', Qt::SkipEmptyParts);
    }
    // Jobs the queue has taken, finished or not.
    int JobsTaken() const
    {
        cups_job_t *jobs = nullptr;
        const int n = cupsGetJobs(&jobs, Queue, 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(n, jobs);
        return n;
    }
    QString JobFileName() const { return dir_.path() + "/out/job.prn"; }

    QString Socket;
    bool Running = false;

private:
    int jobsLeft() const
    {
        cups_job_t *jobs = nullptr;
        const int n = cupsGetJobs(&jobs, Queue, 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(n, jobs);
        return n;
    }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QString &name, const QByteArray &bytes, bool program = false) const
    {
        QFile file(dir_.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        file.write(bytes);
        if (program)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                | QFileDevice::ExeOther | QFileDevice::ReadOther | QFileDevice::ReadGroup);
    }
    static QByteArray ppd()
    {
        return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
               "*LanguageEncoding: ISOLatin1\n*PCFileName: \"VELMORA.PPD\"\n*Manufacturer: \"Velmora\"\n"
               "*Product: \"(Velmora Test Printer)\"\n*ModelName: \"Velmora Test Printer\"\n"
               "*ShortNickName: \"Velmora Test Printer\"\n*NickName: \"Velmora Test Printer\"\n"
               "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
               "*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
               "*cupsFilter2: \"application/pdf application/vnd.cups-pdf 0 passthrough\"\n"
               "*OpenUI *Resolution: PickOne\n*DefaultResolution: 600dpi\n"
               "*Resolution 600dpi/600 dpi: \"<</HWResolution[600 600]>>setpagedevice\"\n*CloseUI: *Resolution\n"
               "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
               "*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
               "*PageSize Postcard/Postcard: \"<</PageSize[283.46 419.53]>>setpagedevice\"\n*CloseUI: *PageSize\n"
               "*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n*DefaultPageRegion: A4\n"
               "*PageRegion A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
               "*PageRegion Postcard/Postcard: \"<</PageSize[283.46 419.53]>>setpagedevice\"\n*CloseUI: *PageRegion\n"
               "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"12 12 583 830\"\n"
               "*ImageableArea Postcard/Postcard: \"12 12 271.46 407.53\"\n*DefaultPaperDimension: A4\n"
               "*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Postcard/Postcard: \"283.46 419.53\"\n";
    }

    QTemporaryDir dir_;
    QProcess cupsd_;
};

}  // namespace test
