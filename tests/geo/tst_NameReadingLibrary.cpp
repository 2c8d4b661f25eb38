// TNameReadingLibrary over the built Kvreading99a.so and its list: readings as the name edits spell them find
// their names, and a missing library or entry leaves the pop-up without candidates and without a message.
#include "TestSupport.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "geo/NameReadingLibrary.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

// A reading typed in hiragana as the name edits send it: katakana, half-width where it has a form.
QByteArray typed(const QString &hiragana) { return HalfKanaReading(hiragana); }

QString written(const TReadingEntry &e) { return Sjis::decode(QByteArray(e.Written, qstrnlen(e.Written, 12))); }

TEST(NameReadingLibrary, ReadingsTypedInTheNameEditsFindTheirNames)
{
    TNameReadingLibrary names;
    ASSERT_TRUE(names.Load(test::appDir(), test::appDir() + QStringLiteral("Dic/")));
    const std::vector<std::tuple<QString, bool, QString>> cases = {
        {QStringLiteral("さとう"), false, QStringLiteral("佐藤")},
        {QStringLiteral("あんだーそん"), false, QStringLiteral("アンダーソン")},
        {QStringLiteral("はなこ"), true, QStringLiteral("花子")},
        {QStringLiteral("じゅうろうざえもん"), true, QStringLiteral("十郎左衛門")},
    };
    for (const auto &[hiragana, given, name] : cases) {
        qint32 code = -1;
        const quint32 count = names.CountCandidates(typed(hiragana), given, &code);
        ASSERT_EQ(code, KVREADING_FOUND) << hiragana.toStdString();
        const TNameReadingLibrary::TCandidates found = names.FetchCandidates(typed(hiragana), given, qint32(count));
        ASSERT_EQ(found.Code, KVREADING_FOUND);
        ASSERT_EQ(found.Entries.size(), qsizetype(count));
        EXPECT_EQ(QByteArray(found.Entries.front().Reading, qstrnlen(found.Entries.front().Reading, 12)),
                  typed(hiragana));
        EXPECT_TRUE(std::any_of(found.Entries.begin(), found.Entries.end(),
                                [&](const TReadingEntry &e) { return written(e) == name; }))
            << hiragana.toStdString();
    }

    qint32 code = -1;
    EXPECT_EQ(names.CountCandidates(typed(QStringLiteral("ひろこ")), false, &code), 0u);
    EXPECT_EQ(code, KVREADING_NOT_FOUND);
    EXPECT_EQ(names.FetchCandidates(typed(QStringLiteral("ひろこ")), false, 1).Code, KVREADING_NOT_FOUND);
}

TEST(NameReadingLibrary, MissingLibraryOrEntryOffersNothingWithoutAMessage)
{
    test::MessageBoxScript boxes;
    QTemporaryDir empty;
    // A library that loads but has none of the entries: another stand-in library under this name.
    QTemporaryDir wrong;
    ASSERT_TRUE(QFile::copy(test::appDir() + QStringLiteral("Kvdash.so"), wrong.path() + QStringLiteral("/Kvreading99a.so")));
    for (const QString &folder : {empty.path() + QStringLiteral("/"), wrong.path() + QStringLiteral("/")}) {
        TNameReadingLibrary names;
        EXPECT_FALSE(names.Load(folder, test::appDir() + QStringLiteral("Dic/")));
        EXPECT_FALSE(names.IsLoaded());
        qint32 code = -1;
        EXPECT_EQ(names.CountCandidates(typed(QStringLiteral("さとう")), false, &code), 0u);
        EXPECT_EQ(code, KVREADING_NOT_FOUND);
        EXPECT_EQ(names.CountCandidates(typed(QStringLiteral("ひろし")), true), 0u);
        const TNameReadingLibrary::TCandidates none = names.FetchCandidates(typed(QStringLiteral("さとう")), false, 3);
        EXPECT_EQ(none.Code, KVREADING_NOT_FOUND);
        EXPECT_TRUE(none.Entries.isEmpty());
    }
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'|').toStdString();
}

}  // namespace
