// Helpers every test program shares: private folders, a scripted message box, paths of the built program.
#pragma once

#include "platform/MessageBox.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QProcess;
class QWidget;

#include <sys/types.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace test {

// The program folder of the build (the executable, the stand-in libraries, Dic/, Common/), with "/".
QString appDir();
// The source tree, with "/".
QString sourceDir();

// Reads the process's stderr into said until it holds text, the process ends or 30 s have passed.
void readStderrUntil(QProcess &process, const QString &text, QString &said);

// Writes bytes to a file, creating its folders; fails the test when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
// Every file and folder below folder, hidden ones too, as paths relative to it (folders end with "/"), sorted:
// what a test compares to see that nothing was made or removed there.
QStringList entriesBelow(const QString &folder);
// Whether the lock of the data root's lock file is held, by another process or by a hold of this one.
bool rootLocked(const QString &root);
// Puts bytes in place of a dictionary or data file the way an installer does (written beside it, renamed over
// it), then waits until the libraries ask again whether their files are still the same (kv::kStampInterval).
void replaceDictionary(const QString &path, const QByteArray &bytes);

// A window as a failure names it, for a reader to find it in the code: class, object name and title.
QString windowName(const QWidget &window);

// What the event loop does once the handler a test ran has returned: carries out the close that waited for it
// (TWindowCommand, platform/Forms.h), then frees the windows closed.
void handlerReturned();

// A disk with little room left, for the files this process writes while the object lives: a write that takes
// a file past limitBytes fails (EFBIG) instead of ending the process. Keep it around the save alone: the
// test's own output may go to a file too.
class FullDisk {
public:
    explicit FullDisk(qint64 limitBytes = 64);
    ~FullDisk();
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

private:
    qint64 previousSoft_, previousHard_;
    void (*previousHandler_)(int);
};

// Runs body in a child process whose address space may grow by only headroomBytes beyond what this process
// has mapped now, so an allocation of gigabytes fails there (std::bad_alloc) instead of being let through by
// the machine. Answers body's result, 99 when body threw std::bad_alloc, 98 for any other exception, and
// minus the signal number when the child was killed.
int RunWithAddressSpaceLimit(qint64 headroomBytes, const std::function<int()> &body);

// Runs body in a child process and kills it (SIGKILL) just before the step-th of its system calls that change a
// file below folder: making, opening for writing, writing, syncing, truncating, linking, renaming or removing
// a file, making or removing a folder, changing a mode. True when the child was killed there; false when it ended
// before taking that many steps. A test walks step up from 1 until false to kill an operation at every step.
// Body runs in the forked copy of this process: it may not count on threads other than its own.
bool KillAtFileStep(const QString &folder, int step, const std::function<void()> &body);

// A system call of a traced child that changes files: its number (SYS_fsync, SYS_rename, …) and the files it
// changes (a synced or written file by its path, a folder synced by its own).
struct TFileStep {
    long Call = 0;
    QStringList Files;
};
// Runs body in a child process, as KillAtFileStep does, and answers in order the calls that changed a file
// below folder or synced folder itself.
std::vector<TFileStep> FileStepsOf(const QString &folder, const std::function<void()> &body);
// What steps (FileStepsOf) miss of putting the copy staged at from in to's place so that a power loss keeps it
// whole: from a file, or a folder holding files (given relative to it). Before the first step that moves or
// removes to, or else the rename of from to to, each staged file is synced after its last write and each folder
// of the tree after the last entry made in it; after the rename the folder holding to is synced. Empty when
// nothing is missed; durableAt, when given, is then the index of that last sync.
QString DurableRenameFault(const std::vector<TFileStep> &steps, const QString &from, const QString &to,
                           const QStringList &files = {}, size_t *durableAt = nullptr);

// A file system of its own with bytes of room (a tmpfs in a temporary folder), for writes that meet a full
// disk or a read-only one as a user's USB stick does. Mounting needs root: mounted() is false otherwise and
// skipReason() says why.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return mounted_; }
    QString skipReason() const { return skipReason_; }
    // The mounted folder, with "/".
    QString path() const { return folder_.path() + QLatin1Char('/'); }
    // Remounts it read-only, as a locked card or a file system mounted so: even root cannot write it then.
    // Nothing on it may be open for writing.
    bool makeReadOnly();
    // Takes all the room left (a hidden file of its own at its root), so the next write on it fails for want of
    // room. False when the disk took no file.
    bool fill();

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    QString skipReason_;
};

// One folder read-only while the object lives (bound onto itself read-only), the rest of its disk as it is:
// what a folder another user owns is to the program, for root too. Files opened below it before stay as they
// were opened. Needs root, as SmallDisk does.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    // Read-only in force.
    bool mounted() const { return mounted_ && skipReason_.isEmpty(); }
    QString skipReason() const { return skipReason_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
    QString skipReason_;
};

// While the object lives the process acts as a user (nobody, 65534) wherever a file's mode counts: root passes
// every mode, a user does not, and the program's users are not root. The trees named are given to that user
// first (links not followed), as the program's files are its user's own. Only root can become another user; a
// process that is a user already stays itself, and its files count as they are. The umask is 022 meanwhile,
// as a user's usually is.
class AsUser {
public:
    static constexpr uid_t Uid = 65534;
    explicit AsUser(const QStringList &trees = {});
    ~AsUser();
    AsUser(const AsUser &) = delete;
    AsUser &operator=(const AsUser &) = delete;

private:
    bool switched_ = false;
    std::vector<gid_t> groups_;
    mode_t mask_;
};

// The usual umask of a user (022) while the object lives, whatever the test was started with: what the program
// makes must not lean on a narrower one.
class UsualUmask {
public:
    UsualUmask();
    ~UsualUmask();
    UsualUmask(const UsualUmask &) = delete;
    UsualUmask &operator=(const UsualUmask &) = delete;

private:
    mode_t mask_;
};

// The mode bits (07777) of path itself, a link not followed; 0 when there is nothing.
unsigned modeOf(const QString &path);
// Every folder and file at and below folder (links not followed) whose mode is not 0700 (a folder) or 0600 (a
// file), each as "path mode" in octal: empty when all are the user's alone.
QStringList notPrivate(const QString &folder);

// Answers the program's message boxes from a script and records every box shown, so tests can assert
// on texts and drive the branches. With no scripted answer left, a box is answered with its default button.
class MessageBoxScript {
public:
    MessageBoxScript();
    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript &) = delete;
    MessageBoxScript &operator=(const MessageBoxScript &) = delete;

    void answer(int buttonId) { answers_.push_back({buttonId, {}}); }
    // Answers the next box with buttonId after running whileOpen inside an event loop of the box's own, as
    // a screen reader's press arrives while a real box is open; what that loop would free meanwhile (a window
    // closed with WA_DeleteOnClose) is freed before the box returns.
    void answer(int buttonId, std::function<void()> whileOpen) { answers_.push_back({buttonId, std::move(whileOpen)}); }
    const std::vector<TMessageBoxRequest> &shown() const { return shown_; }
    QStringList texts() const;
    void clear() { shown_.clear(); }

private:
    struct Answer {
        int buttonId;
        std::function<void()> whileOpen;
    };
    std::deque<Answer> answers_;
    std::vector<TMessageBoxRequest> shown_;
    TMessageBoxHandler previous_;
};

}  // namespace test
