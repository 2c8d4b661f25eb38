#include "designers/ImgPicker.h"

#include "base/Folders.h"
#include "core/Globals.h"
#include "platform/MessageBox.h"
#include "platform/PrivateSocket.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

TImagePicker::TImagePicker(QWidget *designer) : designer_(designer)
{
    connect(&socket_, &QLocalSocket::readyRead, this, &TImagePicker::readMessages);
    connect(&socket_, &QLocalSocket::disconnected, this, [this] { reader_ = TPickerMessageReader(); });
}

bool TImagePicker::connectToPicker()
{
    if (Connected())
        return true;
    socket_.abort();
    reader_ = TPickerMessageReader();
    return ConnectPrivate(socket_, PickerServerName(), 500);
}

void TImagePicker::send(uint32_t kind)
{
    socket_.write(EncodePickerMessage(kind));
    socket_.waitForBytesWritten(2000);
}

void TImagePicker::Show()
{
    if (connectToPicker()) {
        send(PickerActivate);
        return;
    }
    // Without a socket folder of our own (another user took its name first) a picker could be started but never
    // reached: it would stand there, and each later press would start one more.
    QString refused;
    if (PrivateSocketFolder(&refused).isEmpty()) {
        ShowMessageBoxAt(designer_, PrivateSocketRefusalText(refused) + QStringLiteral("\r\n\r\n画像参照ツールを使用できません  "),
                         QStringLiteral("Velmora"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const QString program = AppFolder + QStringLiteral("ImgView");
    if (!FileExists(program)) {
        ShowMessageBoxAt(designer_, QStringLiteral("画像参照ツールがみつかりません  "), QStringLiteral("Velmora"),
                         MB_OK | MB_ICONINFORMATION);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool started = QProcess::startDetached(program, {QStringLiteral("Select")});
    bool found = false;
    QElapsedTimer waited;
    waited.start();
    while (started && !(found = connectToPicker()) && waited.elapsed() < StartWaitMs)
        QThread::msleep(100);
    QApplication::restoreOverrideCursor();
    // A picker that never came up is told to the user; a later try starts it again.
    if (!found)
        ShowMessageBoxAt(designer_, QStringLiteral("画像参照ツールを起動できませんでした  "),
                         QStringLiteral("Velmora"), MB_OK | MB_ICONINFORMATION);
}

void TImagePicker::ClosePicker()
{
    if (!connectToPicker())
        return;
    send(PickerClose);
    socket_.disconnectFromServer();
}

void TImagePicker::readMessages()
{
    reader_.Append(socket_.readAll());
    while (std::optional<TPickerMessage> message = reader_.Next())
        if (message->Kind == PickerChosenFile)
            emit FileChosen(ChosenFileName(message->Data));
    if (reader_.Broken())
        socket_.abort();
}
