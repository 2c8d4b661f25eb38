// The seed corpus of the fuzz targets (fuzz/README.md): what the program's own save functions write, fed
// through the targets' readers, each accepted. With VELMORA_FUZZ_CORPUS set, the seeds are also written there,
// one folder per target, for a fuzzing run to start from.
#pragma once

#include "TestSupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace test {

// Feeds bytes through reader, expecting it accepted, and keeps them as the seed name of target.
template <class Reader> void FuzzSeed(Reader reader, const char *target, const QString &name, const QByteArray &bytes)
{
    EXPECT_TRUE(reader(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())))
        << target << " " << name.toStdString();
    const QString folder = qEnvironmentVariable("VELMORA_FUZZ_CORPUS");
    if (!folder.isEmpty())
        writeFile(folder + u'/' + QLatin1String(target) + u'/' + name, bytes);
}

}  // namespace test
