// The fields that keep the input method off (addresses, numbers, sizes): the input method does not engage in them,
// they ask for Latin input, and what arrives full width all the same (an input method's commit, a paste, a text a
// screen reader sets) becomes half-width.
#include "ProductWindows.h"

#include "Accessibility.h"
#include "core/InputPW.h"
#include "designers/FgrSet.h"
#include "designers/QRCode.h"
#include "designers/WordSet.h"
#include "drawing/FigureRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>

#include <set>

namespace {

class InputMethodOff : public test::ProductWindows {};

bool halfWidth(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// What the field makes of full-width input, as it arrives in each way a user has; empty when all is well.
std::string fault(QLineEdit *edit)
{
    std::string fault;
    const auto say = [&](const char *what, const QString &got) {
        fault += std::string(what) + " gave \"" + got.toStdString() + "\"; ";
    };
    // What the platform input method asks before it engages, and what a widget's own attribute says.
    QInputMethodQueryEvent asked(Qt::ImEnabled);
    QApplication::sendEvent(edit, &asked);
    if (asked.value(Qt::ImEnabled).toBool() || edit->testAttribute(Qt::WA_InputMethodEnabled))
        fault += "takes input-method text; ";
    const Qt::InputMethodHints latin = Qt::ImhLatinOnly | Qt::ImhPreferLatin;
    if ((edit->inputMethodHints() & latin) != latin)
        fault += "asks for no Latin input; ";
    // As much of the address as the field holds (a size field holds a character).
    const auto *validator = dynamic_cast<const TShiftJisValidator *>(edit->validator());
    const int room = validator && validator->MaxBytes() > 0 ? validator->MaxBytes() : edit->maxLength();
    const QString full = QStringLiteral("ｔａｒｏ＠ｅｘａｍｐｌｅ．ｃｏｍ").left(room);
    const QString half = QStringLiteral("taro@example.com").left(room);

    edit->clear();
    edit->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(full);
    QApplication::sendEvent(edit, &commit);
    if (edit->text() != half)
        say("an input-method commit", edit->text());

    edit->clear();
    QApplication::clipboard()->setText(full);
    edit->paste();
    if (edit->text() != half)
        say("a paste", edit->text());

    // A number field ends the entry as the text is set and shows its number again: nothing full width stays.
    if (!test::setTextOnTheBus(edit, full))
        fault += "no editable text over the bus; ";
    else if (!halfWidth(edit->text()) || (edit->text() != half && edit->text().toInt() == 0))
        say("a set over the bus", edit->text());
    return fault;
}

}  // namespace

TEST_F(InputMethodOff, EveryFieldWithTheInputMethodOffTakesHalfWidthLatin)
{
    InstallTypedTextAccessibility();  // as the program does at start
    std::vector<std::unique_ptr<QWidget>> dialogs;
    auto *qr = new TQRCodeSettingDialog(nullptr);
    qr->ResetPreview(TQRCodeRect());
    dialogs.emplace_back(qr);
    auto *figure = new TFigureSettingDialog(nullptr);
    figure->SetFigureRect(TFigureRect());
    dialogs.emplace_back(figure);
    auto *word = new TWordSettingDialog(nullptr);
    word->SetWordRect(TWordRect());
    dialogs.emplace_back(word);
    dialogs.emplace_back(new TInputPassword(nullptr));
    QWidgetList windows = {test::OpenProgramWindow(*this, "RecordForm")};
    ASSERT_NE(windows.front(), nullptr) << "the record form did not open";
    for (const auto &dialog : dialogs) {
        dialog->show();
        windows << dialog.get();
    }

    std::set<std::string> found;
    for (QWidget *window : windows)
        for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
            if (GetImeMode(edit) != imDisable)
                continue;
            const std::string name = edit->objectName().toStdString();
            found.insert(name);
            window->activateWindow();
            EXPECT_EQ(fault(edit), "") << name;
        }
    // The addresses of the record form and the QR code, the QR code's numbers, the designers' sizes and the start's
    // password, which is stored half width.
    for (const char *name : {"edtURL", "edtEMail1", "edtEMail2", "edTel1", "edTel2", "edMail1", "edMail2",
                             "edMailTo", "edSize", "edLineWidth", "edAngle", "edVHRatio", "medtPassword"})
        EXPECT_TRUE(found.count(name)) << name << " keeps the input method on";

    // The names and addresses keep the input method.
    for (const char *name : {"nmedtCorpKanji", "edtAdrs1"}) {
        const auto *edit = windows.front()->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled)) << name;
        EXPECT_FALSE(edit->inputMethodHints() & Qt::ImhLatinOnly) << name;
    }
}
