// The designers' end of the image picker ("画像参照ツール", the program ImgView in the program folder):
// brings a running picker forward or starts it in selection mode, asks it to close with the designer, and
// reports the picture file the user chose in it.
#pragma once

#include "platform/PickerChannel.h"

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>

class QWidget;

class TImagePicker : public QObject {
    Q_OBJECT
public:
    // Message boxes are centred on designer.
    explicit TImagePicker(QWidget *designer);

    // A running picker is brought forward; otherwise AppFolder + "ImgView" is started with "Select" and
    // waited for (checked every 100 ms, up to StartWaitMs); a missing program is reported. The document is
    // not touched.
    void Show();
    // Asks a running picker to close (the designer is closing).
    void ClosePicker();
    bool Connected() const { return socket_.state() == QLocalSocket::ConnectedState; }

    static constexpr int StartWaitMs = 10000;

signals:
    // The picker handed over a picture: the file's 8-bit path, without the terminating zero.
    void FileChosen(const QByteArray &fileName);

private:
    // One quick attempt to reach a running picker.
    bool connectToPicker();
    void send(uint32_t kind);
    void readMessages();

    QWidget *designer_;
    QLocalSocket socket_;
    TPickerMessageReader reader_;
};
