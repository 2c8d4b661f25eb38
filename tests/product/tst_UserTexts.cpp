// Nothing a user reads is in English: every caption, label, button, menu entry, tool tip, list entry and
// column header of every window, of the dialogs their commands open, and of Qt's own dialogs as the program
// starts them, has no Latin word but the terms the program means (file kinds, standards, the product's name).
#include "ProductWindows.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTextDocument>
#include <QTimer>

#include <set>

namespace {

// Latin words a Japanese user reads as they are: file kinds, codes and standards, the product's name, paper
// series, and the map programs, search sites and telephone companies the user chooses between, by their own
// names.
const std::set<QString> &AllowedWords()
{
    static const std::set<QString> words = {
        "PDF", "CSV", "URL", "JIS", "Shift", "UTF", "TEL", "FAX", "Mail", "Ver", "DLL", "Web", "WEB", "Velmora",
        "HTML", "GPX", "HDD", "Unicode", "ANSI", "ARCH", "PRC", "AtlasMate", "NAVI", "MapFan", "PLANNER",
        "iMapFan", "goo", "Yahoo", "JAPAN", "Excite", "docomo", "SoftBank",
    };
    return words;
}

// The Latin words of a text that are not allowed; mail and web addresses, file names and patterns, paths and
// markup are skipped whole.
QStringList EnglishWords(QString text)
{
    if (Qt::mightBeRichText(text)) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    static const QRegularExpression skipped(
        QStringLiteral(R"((https?://|www\.)\S+|[\w.+-]+@[\w.-]+|[\w*-]*\.[A-Za-z0-9]{1,5}\b|(?<![\w.])/[\w./-]*)"));
    text.remove(skipped);
    // The caption of a run-time library's failure names the library and the failed call by their own names.
    static const QRegularExpression libraryFailure(QStringLiteral("\\b(LoadLibrary|GetProcAddress) Error\\b"));
    text.remove(libraryFailure);
    static const QRegularExpression word(QStringLiteral("(?<![A-Za-z])[A-Za-z]{3,}(?![A-Za-z])"));
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString w = it.next().captured();
        if (!AllowedWords().count(w))
            found << w;
    }
    return found;
}

// Every text of a window a user can read, with where it is shown.
class TextCollector {
public:
    QStringList Faults;

    void Add(const QString &where, const QString &text)
    {
        const QStringList words = EnglishWords(text);
        if (!words.isEmpty())
            Faults << QStringLiteral("%1: \"%2\"").arg(where, text);
    }
    // The message boxes shown, their captions too.
    void Collect(const test::MessageBoxScript &boxes)
    {
        for (const TMessageBoxRequest &box : boxes.shown()) {
            Add(QStringLiteral("message"), box.text);
            Add(QStringLiteral("message caption"), box.caption);
        }
    }
    void Collect(QWidget *window)
    {
        Add(nameOf(window) + QStringLiteral(" caption"), window->windowTitle());
        collectOne(window);
        for (QWidget *w : window->findChildren<QWidget *>())
            collectOne(w);
        for (QAction *a : window->findChildren<QAction *>())
            collectAction(a);
    }

private:
    static QString nameOf(const QObject *o)
    {
        return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
    }
    void collectAction(QAction *a)
    {
        if (a->isSeparator())
            return;
        const QString where = QStringLiteral("action ") + nameOf(a);
        Add(where, a->text());
        Add(where + QStringLiteral(" tip"), a->toolTip());
        Add(where + QStringLiteral(" status"), a->statusTip());
    }
    void collectModelHeaders(const QString &where, QAbstractItemModel *model)
    {
        if (!model)
            return;
        for (int c = 0; c < model->columnCount(); ++c)
            Add(where + QStringLiteral(" header"), model->headerData(c, Qt::Horizontal).toString());
    }
    void collectOne(QWidget *w)
    {
        const QString where = nameOf(w);
        Add(where + QStringLiteral(" tip"), w->toolTip());
        Add(where + QStringLiteral(" status"), w->statusTip());
        if (w->isWindow())
            Add(where + QStringLiteral(" caption"), w->windowTitle());
        if (auto *label = qobject_cast<QLabel *>(w))
            Add(where, label->text());
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            Add(where, button->text());
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            Add(where, group->title());
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            Add(where + QStringLiteral(" hint"), edit->placeholderText());
        else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // An editable box's entries are the user's own history; a fixed one's are the program's.
            if (!combo->isEditable())
                for (int i = 0; i < combo->count(); ++i)
                    Add(where + QStringLiteral(" item"), combo->itemText(i));
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                Add(where + QStringLiteral(" tab"), tabs->tabText(i));
        } else if (auto *menu = qobject_cast<QMenu *>(w)) {
            Add(where + QStringLiteral(" title"), menu->title());
        } else if (auto *spin = qobject_cast<QAbstractSpinBox *>(w)) {
            Add(where + QStringLiteral(" special"), spin->specialValueText());
            if (auto *numbers = qobject_cast<QSpinBox *>(w)) {
                Add(where + QStringLiteral(" suffix"), numbers->suffix());
                Add(where + QStringLiteral(" prefix"), numbers->prefix());
            }
        } else if (auto *header = qobject_cast<QHeaderView *>(w)) {
            if (header->orientation() == Qt::Horizontal)
                collectModelHeaders(where, header->model());
        }
        for (QAction *a : w->actions())
            collectAction(a);
    }
};

class UserTexts : public test::ProductWindows, public ::testing::WithParamInterface<const char *> {};

class QtDialogTexts : public test::ProductWindows {};

}  // namespace

TEST_P(UserTexts, WindowShowsNoEnglish)
{
    QWidget *window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    TextCollector texts;
    texts.Collect(window);
    texts.Collect(boxes);
    EXPECT_TRUE(texts.Faults.isEmpty()) << texts.Faults.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Windows, UserTexts, ::testing::ValuesIn(test::ProgramWindowNames()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

// The dialogs, windows and messages a window's commands open.
TEST_P(UserTexts, DialogsOfItsCommandsShowNoEnglish)
{
    QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    TextCollector texts;
    const QWidgetList opened = test::PressEveryCommand(window, [&](QWidget *dialog) { texts.Collect(dialog); });
    for (QWidget *other : opened)
        texts.Collect(other);
    texts.Collect(boxes);
    EXPECT_TRUE(texts.Faults.isEmpty()) << texts.Faults.join(QLatin1Char('\n')).toStdString();
}

// Qt's own dialogs come out in Japanese once the program's start has loaded Qt's translation.
TEST_F(QtDialogTexts, StandardButtonsAndDialogsAreJapanese)
{
    TextCollector texts;
    QMessageBox box(QMessageBox::Question, AppTitle, QStringLiteral("削除しますか？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Save
                        | QMessageBox::Discard | QMessageBox::Close | QMessageBox::Abort | QMessageBox::Retry
                        | QMessageBox::Ignore);
    texts.Collect(&box);
    QFileDialog files(nullptr, QStringLiteral("取り込むファイルの選択"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    texts.Collect(&files);
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    texts.Collect(&colours);
    QPrinter printer;
    QPrintDialog print(&printer);
    texts.Collect(&print);
    // The printer's properties: its paper sizes, units and layout.
    auto *properties = print.findChild<QPushButton *>(QStringLiteral("properties"));
    ASSERT_NE(properties, nullptr);
    // Gone with the print dialog should no window open to take it.
    QTimer::singleShot(100, &print, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            texts.Collect(modal);
            modal->close();
        }
    });
    properties->click();
    EXPECT_TRUE(texts.Faults.isEmpty()) << texts.Faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_NE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
}
