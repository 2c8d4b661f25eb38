#include "records/EntryHelpers.h"

#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QColorDialog>

void SetInputColour(QWidget *control, bool enabled)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button));
    control->setPalette(palette);
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

bool ChooseColor(QWidget *owner, int32_t &bgr, bool customColors)
{
    QColorDialog dialog(ColorFromBgr(bgr), owner);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    std::array<QColor, 16> custom;
    custom.fill(Qt::black);
    if (customColors)
        custom = LoadCustomColors();
    for (int n = 0; n < 16; ++n)
        QColorDialog::setCustomColor(n, custom[n]);
    PlaceBelowOwnerCorner(&dialog, owner);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    bgr = BgrFromColor(dialog.selectedColor());
    if (!customColors)
        return true;
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
