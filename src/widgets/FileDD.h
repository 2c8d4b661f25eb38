// Files and text dragged onto a window from a file manager or another program: which of the two a drag
// offers, and the drop target that hands them to the window.
#pragma once

#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

// What a drop target takes from a drag, in this order: files of this machine, else plain text.
enum class TDropFormat : uint8_t { None, Files, Text };

TDropFormat DropFormatOf(const QMimeData &data);
// The drag's files of this machine as local paths, in the order the drag lists them; other addresses are not
// files the program can open and are left out.
QStringList DroppedFiles(const QMimeData &data);

// Makes a window a drop target for files and text. Every drag that offers either shows the copy effect; the
// drop hands the files or the trimmed text to the events, with the keyboard modifiers, the drop point in
// screen coordinates and the effect, which the event may change.
class TFileDD : public QObject {
public:
    using TDropFilesEvent =
        std::function<void(const QStringList &files, Qt::KeyboardModifiers keys, QPoint point, Qt::DropAction &effect)>;
    using TDropTextEvent =
        std::function<void(const QString &text, Qt::KeyboardModifiers keys, QPoint point, Qt::DropAction &effect)>;

    // Registers control, when given, as a drop target.
    explicit TFileDD(QWidget *control);
    ~TFileDD() override;

    // The window no longer takes drops; its owner calls this when the window closes.
    void Revoke();

    TDropFilesEvent OnDropFiles;
    TDropTextEvent OnDropText;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void DragEnter(QDragEnterEvent &event);
    void DragOver(QDragMoveEvent &event);
    void Drop(QDropEvent &event);

    QPointer<QWidget> Control;
    // The form the drag in progress offered when it entered; None when it offered neither or has left.
    TDropFormat Format = TDropFormat::None;
};
