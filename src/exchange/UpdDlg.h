// The update check: the update list fetched over HTTP(S) from UpdateDomain + UpdateCheckPath, the files
// newer than the installed ones marked, downloaded from UpdateDomain + UpdateAppPath into the staging folder
// DataFolder + "update/" and checked against the list's SHA-256 sums before the program's files are replaced.
//
// The list, a format of ours:
//   <update>
//     <file name="Dic/Kvpost.dat" version="2026120701" size="1234" sha256="…" restart="0"/>
//   </update>
// name is relative to the program folder; restart="1" (or the program's own executable) means the program
// must start again once the file is replaced. The version of each installed file is kept in
// "update/Installed.ini"; a listed file is newer when its version is higher and its bytes differ.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QHostInfo;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QTreeWidget;
class TWorkProgress;

struct TUpdateFile {
    QString Name;
    qint64 Version = 0;
    qint64 Size = 0;
    QByteArray Sha256;  // hex
    bool Restart = false;
    bool Marked = false;
};

class TUpdateDialog : public QDialog {
public:
    explicit TUpdateDialog(QWidget *owner);
    ~TUpdateDialog() override;

    // An update server is named and its host can be looked up (an answer within LookupTimeoutMs; events go on
    // meanwhile).
    bool CanConnect();
    // CanConnect, CheckUpdate and MarkNewerFiles one after the other without ever waiting on the network:
    // returns at once; done(true) comes once a newer file is marked, done(false) as soon as a step fails.
    void CheckInBackground(std::function<void(bool found)> done);
    // Fetches and reads the update list.
    bool CheckUpdate();
    // Marks the listed files newer than the installed ones; true when any is.
    bool MarkNewerFiles();
    // Set by MarkNewerFiles: a marked file needs the program to start again.
    bool Restart = false;
    // Downloads every marked file into the staging folder and checks its size and sum.
    bool DownloadFiles();
    // Replaces the program's files by the staged ones: 0 done (and, with Restart, the program starts again once
    // it has ended), 1 failed (nothing replaced, unless a rename itself failed after others; a folder that cannot
    // be written is told to the user). The callers also know 9, cancelled by the user, from updaters that ask;
    // this one asks nothing more once the caller has asked.
    int RunUpdater();

    const std::vector<TUpdateFile> &Files() const { return files_; }
    QString ErrorText() const { return error_; }
    QString StagingFolder() const;
    QString BaseUrl(const QString &path) const;

    // A resolver that does not answer must not hold the check up for long.
    static constexpr int LookupTimeoutMs = 5000;
    // How the update host is looked up (QHostInfo::lookupHost); tests put a resolver that never answers in its
    // place. Answers an id for QHostInfo::abortHostLookup.
    using THostLookup =
        std::function<int(const QString &host, QObject *context, std::function<void(const QHostInfo &)> done)>;
    static THostLookup LookUpHost;

private:
    bool serverNamed();
    void lookUp(std::function<void(bool found)> done);
    // Fetches url into the file saveTo, or without one into the answer; done gets the body ("ok" for a file),
    // nothing when the fetch failed (error_ tells why).
    void fetchInBackground(const QString &url, const QString &saveTo, std::function<void(const QByteArray &)> done);
    QByteArray fetch(const QString &url, const QString &saveTo);
    bool readList(const QByteArray &list);
    void fillList();
    void btnCheckClick();
    void btnUpdateClick();

    QLabel *lblStatus;
    QTreeWidget *lvFiles;
    TWorkProgress *pgWork;
    QPushButton *btnCheck, *btnUpdate, *btnClose;
    QNetworkAccessManager *network_;
    std::vector<TUpdateFile> files_;
    QString error_;
};

// The update dialog of the start-up check while it exists.
inline TUpdateDialog *UpdateDialog = nullptr;

// Run at start: removes the staged downloads of an update that was killed, and the hidden files of its killed
// writes of the installed list. (The copies it was putting in place are the list of unfinished output's.)
void RemoveUpdateLeftovers();
