// TRuntimeLibrary: a stand-in run-time library loaded from the program folder by its documented name
// ("Kvphone.dll" is the file "Kvphone.so"), and the texts that report a failed load or look-up.
#pragma once

#include <QString>

class TRuntimeLibrary {
public:
    TRuntimeLibrary() = default;
    ~TRuntimeLibrary();
    TRuntimeLibrary(const TRuntimeLibrary &) = delete;
    TRuntimeLibrary &operator=(const TRuntimeLibrary &) = delete;

    // The file that stands for a documented library name.
    static QString FileNameFor(const QString &dllName);

    // Loads folder + FileNameFor(dllName); false when it cannot be loaded (ErrorString says why).
    bool Load(const QString &folder, const QString &dllName);
    void *GetProcAddress(const char *function) const;
    void Free();
    bool IsLoaded() const { return handle_ != nullptr; }
    const QString &FileName() const { return fileName_; }  // "Kvphone.so"
    const QString &ErrorString() const { return error_; }

    // "Kvphone.so LoadLibrary Error\r\nDLLのロードに失敗しました"
    QString LoadErrorText() const;
    // "KVPhonePrefix (Kvphone.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"
    QString ProcErrorText(const QString &function) const;

private:
    void *handle_ = nullptr;
    QString fileName_;
    QString error_;
};
