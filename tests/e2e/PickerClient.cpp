// The designer's side of the image picker for the end-to-end test: starts or brings forward the picker in the
// program folder given, prints the path of the first picture handed back and ends (1 when none comes in time).
#include "core/Globals.h"
#include "designers/ImgPicker.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    AppFolder = QString::fromLocal8Bit(argv[1]);
    TImagePicker picker(nullptr);
    QObject::connect(&picker, &TImagePicker::FileChosen, [&](const QByteArray &file) {
        std::printf("%s\n", file.constData());
        std::fflush(stdout);
        picker.ClosePicker();
        app.exit(0);
    });
    picker.Show();
    if (!picker.Connected())
        return 1;
    QTimer::singleShot(60000, [&] { app.exit(1); });
    return app.exec();
}
