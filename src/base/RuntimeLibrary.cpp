#include "base/RuntimeLibrary.h"

#include <QFileInfo>

#include <dlfcn.h>

TRuntimeLibrary::~TRuntimeLibrary() { Free(); }

QString TRuntimeLibrary::FileNameFor(const QString &dllName)
{
    QString base = dllName;
    if (base.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QLatin1String(".so");
}

bool TRuntimeLibrary::Load(const QString &folder, const QString &dllName)
{
    Free();
    fileName_ = FileNameFor(dllName);
    const QString path = folder + fileName_;
    // An absolute path keeps dlopen from searching the system's folders for a library of the same name.
    handle_ = dlopen(QFileInfo(path).absoluteFilePath().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *why = dlerror();
        error_ = why ? QString::fromLocal8Bit(why) : QString();
        return false;
    }
    error_.clear();
    return true;
}

void *TRuntimeLibrary::GetProcAddress(const char *function) const
{
    return handle_ ? dlsym(handle_, function) : nullptr;
}

void TRuntimeLibrary::Free()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
}

QString TRuntimeLibrary::LoadErrorText() const
{
    return fileName_ + QStringLiteral(" LoadLibrary Error\r\nDLLのロードに失敗しました");
}

QString TRuntimeLibrary::ProcErrorText(const QString &function) const
{
    return function + QStringLiteral(" (") + fileName_ + QStringLiteral(") GetProcAddress Error\r\n関数の割り当てに失敗しました");
}
