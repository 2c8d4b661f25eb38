#include "widgets/FileDD.h"

#include "base/Trim.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QSysInfo>
#include <QUrl>

namespace {

const QString plainText = QStringLiteral("text/plain");

// A file address names a file here when it has no host or this machine's; Qt would make a network share
// ("//host/path") of the others, which on this system is no file at all.
bool isFileOfThisMachine(const QUrl &url)
{
    if (!url.isLocalFile())
        return false;
    const QString host = url.host();
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// Hands the drop's outcome back to the drag: the effect when there is one, a refusal otherwise.
void answer(QDropEvent &event, Qt::DropAction effect)
{
    event.setDropAction(effect);
    event.setAccepted(effect != Qt::IgnoreAction);
}

}  // namespace

QStringList DroppedFiles(const QMimeData &data)
{
    QStringList files;
    for (QUrl url : data.urls()) {
        if (!isFileOfThisMachine(url))
            continue;
        url.setHost(QString());
        if (const QString path = url.toLocalFile(); !path.isEmpty())
            files << path;
    }
    return files;
}

TDropFormat DropFormatOf(const QMimeData &data)
{
    if (!DroppedFiles(data).isEmpty())
        return TDropFormat::Files;
    // Not hasText(): Qt answers it for any address list, and a link is not text the drag offered.
    return data.hasFormat(plainText) ? TDropFormat::Text : TDropFormat::None;
}

TFileDD::TFileDD(QWidget *control) : Control(control)
{
    if (control) {
        control->installEventFilter(this);
        control->setAcceptDrops(true);
    }
}

TFileDD::~TFileDD() { Revoke(); }

void TFileDD::Revoke()
{
    if (Control) {
        Control->removeEventFilter(this);
        Control->setAcceptDrops(false);
    }
    Control = nullptr;
    Format = TDropFormat::None;
}

bool TFileDD::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Control)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
        DragEnter(static_cast<QDragEnterEvent &>(*event));
        return true;
    case QEvent::DragMove:
        DragOver(static_cast<QDragMoveEvent &>(*event));
        return true;
    case QEvent::DragLeave:
        Format = TDropFormat::None;
        return true;
    case QEvent::Drop:
        Drop(static_cast<QDropEvent &>(*event));
        return true;
    default:
        return false;
    }
}

void TFileDD::DragEnter(QDragEnterEvent &event)
{
    Format = event.mimeData() ? DropFormatOf(*event.mimeData()) : TDropFormat::None;
    answer(event, Format == TDropFormat::None ? Qt::IgnoreAction : Qt::CopyAction);
}

void TFileDD::DragOver(QDragMoveEvent &event)
{
    answer(event, Format == TDropFormat::None ? Qt::IgnoreAction : Qt::CopyAction);
}

void TFileDD::Drop(QDropEvent &event)
{
    const TDropFormat format = Format;
    Format = TDropFormat::None;
    if (format == TDropFormat::None) {
        answer(event, Qt::IgnoreAction);
        return;
    }
    Qt::DropAction effect = Qt::CopyAction;
    const QMimeData *data = event.mimeData();
    const QPoint point = Control->mapToGlobal(event.position().toPoint());
    if (format == TDropFormat::Files) {
        // A drag that no longer yields its files still reaches the window, with none.
        const QStringList files = data ? DroppedFiles(*data) : QStringList();
        if (OnDropFiles)
            OnDropFiles(files, event.modifiers(), point, effect);
    } else if (data && data->hasFormat(plainText) && OnDropText) {
        OnDropText(TrimBlanks(data->text()), event.modifiers(), point, effect);
    }
    answer(event, effect);
}
