#include "platform/Translation.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The texts of Qt's own dialogs and paper names that Qt's Japanese translation leaves in English (wholly or in
// part), by their English source. Asked before Qt's translation, so a half-translated name is replaced whole.
class TMissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        static const QHash<QByteArray, QString> texts = {
            // The print dialog's options.
            {"Double Sided Printing", QStringLiteral("両面印刷")},
            {"Off", QStringLiteral("しない")},
            {"Long side binding", QStringLiteral("長辺とじ")},
            {"Short side binding", QStringLiteral("短辺とじ")},
            {"Pages", QStringLiteral("ページ指定")},
            {"Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. "
             "E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
             QStringLiteral("ページまたはページの範囲をカンマで区切って指定します。範囲は２つの数をハイフンでつないで"
                            "指定します。例えば 3,5-7,9 では 3, 5, 6, 7, 9 ページを印刷します。")},
            // The printer properties' tab of driver options.
            {"Advanced", QStringLiteral("詳細設定")},
            {"There are conflicts in some options. Please fix them.",
             QStringLiteral("一部のオプションが競合しています。設定を直してください。")},
            // Paper names the printers list.
            {"A3 Extra", QStringLiteral("A3 エクストラ")},
            {"A4 Extra", QStringLiteral("A4 エクストラ")},
            {"A4 Plus", QStringLiteral("A4 プラス")},
            {"A4 Small", QStringLiteral("A4 スモール")},
            {"A5 Extra", QStringLiteral("A5 エクストラ")},
            {"B5 Extra", QStringLiteral("B5 エクストラ")},
            {"Legal Extra", QStringLiteral("リーガル エクストラ")},
            {"Letter Extra", QStringLiteral("レター エクストラ")},
            {"Letter Plus", QStringLiteral("レター プラス")},
            {"Letter Small", QStringLiteral("レター スモール")},
            {"Super A", QStringLiteral("スーパー A")},
            {"Super B", QStringLiteral("スーパー B")},
        };
        return texts.value(QByteArray(sourceText));
    }
};

}  // namespace

bool InstallQtTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QCoreApplication::installTranslator(new TMissingQtTexts(QCoreApplication::instance()));
    return true;
}
