// ImgView, the image picker ("画像参照ツール"): started by a designer with "Select", it hands the chosen
// picture back to it. One picker runs per user and data location; a second start brings the first forward.
#include "base/Fonts.h"
#include "imgview/ImgView.h"
#include "imgview/PickerServer.h"
#include "platform/MessageBox.h"
#include "platform/PrivateSocket.h"
#include "platform/Translation.h"
#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QTimer>


int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallUiFont();
    InstallQtTranslation();
    KeepWindowsOnScreen();
    TPickerServer server;
    QString refused;
    const bool listening = server.Listen();
    // Not listening with a socket folder of our own: another picker serves this user and has come forward.
    if (!listening && !PrivateSocketFolder(&refused).isEmpty())
        return 0;
    TImageViewForm form(&server);
    form.SetSelectMode(app.arguments().contains(QStringLiteral("Select"), Qt::CaseInsensitive));
    // The designer closing ends the picker, whatever else arrives with it.
    QObject::connect(&server, &TPickerServer::CloseRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.show();
    if (!listening) {
        // Another user took the socket folder's name first: the pictures can be looked at, not handed over.
        const QString text = PrivateSocketRefusalText(refused) + QStringLiteral("\r\n\r\n選んだ画像をVelmoraに渡すことはできません  ");
        PrintMessageToStderr(text);
        QTimer::singleShot(0, &form, [&form, text] {
            ShowMessageBoxAt(&form, text, form.windowTitle(), MB_OK | MB_ICONWARNING);
        });
    }
    return app.exec();
}
