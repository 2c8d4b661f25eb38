#include "drawing/DesignGlobals.h"

#include <memory>

int StreamVersion = CurrentStreamVersion;
int PaperScale = 0;

namespace {

std::unique_ptr<QStringList> &maskFiles()
{
    static std::unique_ptr<QStringList> list;
    return list;
}

}  // namespace

void AddMaskFileName(const QString &fileName)
{
    if (!maskFiles())
        maskFiles() = std::make_unique<QStringList>();
    maskFiles()->append(fileName);
}

void FreeMaskFileList() { maskFiles().reset(); }

const QStringList *MaskFileList() { return maskFiles().get(); }
