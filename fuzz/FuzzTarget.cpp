// A libFuzzer target over one reader of FuzzReaders.h, named by VELMORA_FUZZ_READER at compile time.
#include "FuzzReaders.h"

#include "base/Fonts.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text objects need fonts, and fonts an application; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    // Qt's warnings about the damaged values it is handed would drown libFuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    InstallFontSubstitutions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    VELMORA_FUZZ_READER(data, size);
    return 0;
}
