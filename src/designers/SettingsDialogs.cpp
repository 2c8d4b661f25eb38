#include "designers/SettingsDialogs.h"

#include "base/Fonts.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "drawing/DrawRect.h"
#include "geo/PaintPanel.h"
#include "platform/MemIniFile.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

const QString DesignSection = QStringLiteral("DESIGN");
const char *const SwatchColorProperty = "bgrColor";

}  // namespace

int LoadDialogPage(const QString &key, int pageCount)
{
    const int page = TMemIniFile(DataFolder + SettingsFileName).ReadInteger(DesignSection, key, 0);
    return page < 0 || page >= pageCount ? 0 : page;
}

void FinishSettingsDialog(QDialog *dialog, QLayout *top, QTabWidget *pages, const QString &pageKey, QPushButton *&ok,
                          QPushButton *&cancel)
{
    auto *root = new QVBoxLayout(dialog);
    root->addLayout(top);
    auto *bvBorder = Named<QFrame>("bvBorder", dialog);
    bvBorder->setFrameShape(QFrame::HLine);
    bvBorder->setFrameShadow(QFrame::Sunken);
    root->addWidget(bvBorder);
    root->addLayout(MakeOkCancelButtons(dialog, ok, cancel));
    ok->setObjectName(QStringLiteral("btnOK"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    pages->setCurrentIndex(LoadDialogPage(pageKey, pages->count()));
    for (QWidget *w : dialog->findChildren<QWidget *>())
        w->installEventFilter(dialog);
    root->setSizeConstraint(QLayout::SetFixedSize);
}

void SaveDialogPage(const QString &key, int page)
{
    TMemIniFile settings(DataFolder + SettingsFileName);
    settings.WriteInteger(DesignSection, key, page);
    try {
        settings.UpdateFile();
    } catch (const EIniFileError &) {
        // The page shown next time is a convenience; a settings file that cannot be written loses only it.
    }
}

void FillFontList(QListWidget *list)
{
    list->clear();
    for (const TFontFace &face : ListFontNames(false, false)) {
        auto *item = new QListWidgetItem(face.Name, list);
        item->setData(Qt::UserRole, face.Charset);
    }
    list->sortItems();
}

int EntryCharset(const QListWidget *list, int row)
{
    const QListWidgetItem *item = list->item(row);
    return item ? item->data(Qt::UserRole).toInt() : ANSI_CHARSET;
}

int FontRow(const QListWidget *list, const QString &face)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text() == face)
            return row;
    return 0;
}

QString CharsetCaption(int charset, const QString &current)
{
    if (charset == ANSI_CHARSET)
        return QStringLiteral("欧文");
    if (charset == SHIFTJIS_CHARSET)
        return QStringLiteral("日本語");
    return current;
}

bool PressesOnEnter(const QObject *control)
{
    return qobject_cast<const QAbstractButton *>(control) && !qobject_cast<const QCheckBox *>(control) &&
           !qobject_cast<const QRadioButton *>(control);
}

QFrame *MakeSwatch(const char *name, QWidget *parent)
{
    auto *swatch = Named<QFrame>(name, parent);
    swatch->setFrameShape(QFrame::Panel);
    swatch->setFrameShadow(QFrame::Sunken);
    swatch->setAutoFillBackground(true);
    swatch->setFixedSize(ScaleByDpi(40, true), ScaleByDpi(22, true));
    SetSwatchColor(swatch, 0);
    return swatch;
}

void SetSwatchColor(QFrame *swatch, int32_t bgr)
{
    swatch->setProperty(SwatchColorProperty, bgr);
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, ColorFromBgr(bgr));
    swatch->setPalette(palette);
}

int32_t SwatchColor(const QFrame *swatch) { return swatch->property(SwatchColorProperty).toInt(); }

QAbstractButton *MakeColorButton(const char *name, QWidget *parent, const QString &colour)
{
    auto *button = Named<QToolButton>(name, parent);
    button->setIcon(EntryGlyph("COLORSET"));
    button->setAccessibleName(colour + QStringLiteral("の選択"));
    button->setFixedSize(ScaleByDpi(24, true), ScaleByDpi(22, true));
    return button;
}

bool ChooseSwatchColor(QWidget *owner, QFrame *swatch, bool customColors)
{
    int32_t bgr = SwatchColor(swatch);
    if (!ChooseColor(owner, bgr, customColors))
        return false;
    SetSwatchColor(swatch, bgr);
    return true;
}

TPaintPanel *MakePreviewPanel(const char *name, QWidget *parent, std::function<TDrawRect &()> object,
                              std::function<bool()> outline)
{
    auto *panel = Named<TPaintPanel>(name, parent);
    panel->SetColor(Qt::white);
    panel->SetBevelOuter(TPaintPanel::TBevel::Lowered);
    panel->SetBorderWidth(1);
    // 239 pixels inside the bevel and the border.
    panel->setFixedSize(239, 239);
    const QSize inner = panel->InnerRect().size();
    panel->setFixedSize(2 * 239 - inner.width(), 2 * 239 - inner.height());
    panel->OnPaint = [object, outline](TPaintPanel &, QPainter &painter, const QRect &inner) {
        painter.save();
        painter.translate(inner.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), inner.size()));
        TDrawRect &shown = object();
        {
            TCanvas canvas(painter, 96, 96);
            shown.Draw(canvas, 0, 0);
        }
        if (outline()) {
            painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            const TRect r = shown.GetDispRect();
            painter.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
        }
        painter.restore();
    };
    return panel;
}
