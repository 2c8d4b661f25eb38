#include "records/EntryHelpers.h"

#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "core/TextUtils.h"
#include "db/Table.h"
#include "platform/SjisCodec.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace {

// The byte limit counts the reading as it is stored, in half width.
class TReadingValidator : public TShiftJisValidator {
public:
    using TShiftJisValidator::TShiftJisValidator;

    State validate(QString &input, int &position) const override
    {
        QString unmappable;
        Sjis::encode(input, &unmappable);
        if (!unmappable.isEmpty())
            return TShiftJisValidator::validate(input, position);  // refused, and shown as refused
        return MaxBytes() <= 0 || HalfKanaReading(input).size() <= MaxBytes() ? Acceptable : Invalid;
    }
};

}  // namespace

void MakeReadingField(QLineEdit *edit, int maxBytes)
{
    edit->setValidator(new TReadingValidator(maxBytes, edit));
    // Only what the user enters is converted: a reading stored before in full width is shown as it is.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString half = Sjis::decode(HalfKanaReading(text));
        if (half == text)
            return;
        // A voiced kana becomes two characters: the caret stays after what stood before it.
        const int caret = int(Sjis::decode(HalfKanaReading(text.left(edit->cursorPosition()))).size());
        edit->setText(half);
        edit->setCursorPosition(caret);
    });
}

void SetInputColour(QWidget *control, bool enabled)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button));
    control->setPalette(palette);
}

namespace {

// Places the colour dialog as it is shown: its size is settled only then, and placed with the size it had
// before, it would stick out of the work area by the difference.
class TColorDialogPlacer : public QObject {
public:
    TColorDialogPlacer(QWidget *dialog, QWidget *owner) : QObject(dialog), dialog_(dialog), owner_(owner)
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog_ && event->type() == QEvent::Show)
            ColorDialogShow(dialog_, owner_);
        return false;
    }

private:
    QWidget *dialog_;
    QWidget *owner_;
};

}  // namespace

void ColorDialogShow(QWidget *dialog, QWidget *owner)
{
    QPoint at = owner->frameGeometry().topLeft() + QPoint(15, 15);
    if (const QScreen *screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        const QSize size = dialog->frameGeometry().size();
        at.setX(std::max(0, std::min(at.x(), work.right() + 1 - size.width())));
        at.setY(std::max(0, std::min(at.y(), work.bottom() + 1 - size.height())));
    }
    dialog->move(at);
}

std::array<QColor, 16> LoadCustomColors()
{
    const TMemIniFile ini(DataFolder + QStringLiteral("CstmClr.ini"));
    std::array<QColor, 16> colors;
    for (int n = 0; n < 16; ++n) {
        bool ok = false;
        const int value =
            ini.ReadString(QStringLiteral("COMMON"), QString::number(n), QStringLiteral("000000")).toInt(&ok, 16);
        colors[n] = ColorFromBgr(ok ? value : 0);
    }
    return colors;
}

void SaveCustomColors(const std::array<QColor, 16> &colors)
{
    TMemIniFile ini(DataFolder + QStringLiteral("CstmClr.ini"));
    for (int n = 0; n < 16; ++n)
        ini.WriteString(QStringLiteral("COMMON"), QString::number(n),
                        QStringLiteral("%1").arg(BgrFromColor(colors[n]), 6, 16, QLatin1Char('0')).toUpper());
    ini.UpdateFile();
}

bool ChooseColor(QWidget *owner, int32_t &bgr)
{
    QColorDialog dialog(ColorFromBgr(bgr), owner);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    const std::array<QColor, 16> custom = LoadCustomColors();
    for (int n = 0; n < 16; ++n)
        QColorDialog::setCustomColor(n, custom[n]);
    new TColorDialogPlacer(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    bgr = BgrFromColor(dialog.selectedColor());
    std::array<QColor, 16> chosen;
    for (int n = 0; n < 16; ++n)
        chosen[n] = QColorDialog::customColor(n);
    try {
        SaveCustomColors(chosen);
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(owner, e.Message, AppTitle, MB_ICONERROR);
    }
    return true;
}

void FillMainCategories(TUniComboBox *main, TUniComboBox *sub, int mainCode)
{
    main->clear();
    sub->clear();
    sub->setEnabled(false);
    SetInputColour(sub, false);
    main->AddObject(QStringLiteral("指定なし"), 0);
    int selected = 0;
    if (DMMirvale18)
        DMMirvale18->ForEachCategory(false, QString(), [&](TTable &t) {
            const int catNo = t.FieldByName(QStringLiteral("CatNo")).AsInteger();
            const int item = main->AddObject(Sjis::decode(t.FieldByName(QStringLiteral("Name")).AsString()), catNo);
            if (catNo == mainCode && selected == 0)
                selected = item;
        });
    main->setCurrentIndex(selected);
}

bool FillSubCategories(TUniComboBox *sub, int mainCode, int subCode)
{
    sub->setEnabled(true);
    SetInputColour(sub, true);
    sub->clear();
    int matched = -1;
    if (DMMirvale18)
        DMMirvale18->ForEachCategory(true, QStringLiteral("CatMainNo=%1").arg(mainCode), [&](TTable &t) {
            const int number = t.FieldByName(QStringLiteral("CatNo")).AsInteger() % 100;
            const int item = sub->AddObject(Sjis::decode(t.FieldByName(QStringLiteral("Name")).AsString()), number);
            if (number == subCode && matched < 0)
                matched = item;
        });
    if (matched < 0)
        return false;
    sub->setCurrentIndex(matched);
    return true;
}
