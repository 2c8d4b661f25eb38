// What the tests of the libraries over Dic/Geo.dic share: loading a library as the program does, the
// dictionary folder, and the Shift-JIS texts of records.
#pragma once

#include "TestSupport.h"

#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"

#include <QFile>

#include <gtest/gtest.h>

namespace geotest {

// What every library returns when Geo.dic is missing or damaged.
constexpr int kDictionaryError = 16;

inline QByteArray dicFolder() { return QFile::encodeName(test::appDir() + QStringLiteral("Dic/")); }

inline QByteArray sjis(const QString &text) { return Sjis::encode(text); }

// A fixed field as the wrappers read it: up to its width or a NUL, without the trailing blanks.
template <size_t N>
QString text(const char (&field)[N])
{
    QByteArray bytes(field, qstrnlen(field, N));
    while (bytes.endsWith(' '))
        bytes.chop(1);
    return Sjis::decode(bytes);
}

// A library of the program folder, loaded as the program loads it, with its entries looked up by name.
class Library : public ::testing::Test {
protected:
    explicit Library(const char *dllName) : dllName_(QString::fromLatin1(dllName)) {}

    void SetUp() override
    {
        ASSERT_TRUE(library_.Load(test::appDir(), dllName_)) << library_.ErrorString().toStdString();
    }

    template <typename F>
    F entry(const char *name)
    {
        auto f = reinterpret_cast<F>(library_.GetProcAddress(name));
        EXPECT_NE(f, nullptr) << name;
        return f;
    }

private:
    QString dllName_;
    TRuntimeLibrary library_;
};

}  // namespace geotest
