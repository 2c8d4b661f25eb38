// A libFuzzer target over one reader, named by VELMORA_FUZZ_READER at compile time from the readers' header
// VELMORA_FUZZ_READERS.
#include VELMORA_FUZZ_READERS

#include "base/Fonts.h"

#include <QApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text objects need fonts, and fonts an application; the update list is read by its dialog, which needs a
    // widget application. No display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
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
