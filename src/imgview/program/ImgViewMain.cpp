// ImgView, the image picker ("画像参照ツール"): started by a designer with "Select", it hands the chosen
// picture back to it. One picker runs per user and data location; a second start brings the first forward.
#include "base/Fonts.h"
#include "imgview/ImgView.h"
#include "imgview/PickerServer.h"
#include "platform/Translation.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallUiFont();
    InstallQtTranslation();
    TPickerServer server;
    if (!server.Listen())
        return 0;
    TImageViewForm form(&server);
    form.SetSelectMode(app.arguments().contains(QStringLiteral("Select"), Qt::CaseInsensitive));
    // The designer closing ends the picker, whatever else arrives with it.
    QObject::connect(&server, &TPickerServer::CloseRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.show();
    return app.exec();
}
