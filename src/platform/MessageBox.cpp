#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {

TMessageBoxHandler &handler()
{
    static TMessageBoxHandler h;
    return h;
}

struct ButtonSet {
    QList<std::pair<QMessageBox::StandardButton, int>> buttons;
};

ButtonSet buttonsOf(unsigned flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {{{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}};
    case MB_YESNOCANCEL:
        return {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}}};
    case MB_YESNO: return {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}};
    default: return {{{QMessageBox::Ok, IDOK}}};
    }
}

QMessageBox::Icon iconOf(unsigned flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int defaultIndex(unsigned flags, int count)
{
    const int index = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
    return index < count ? index : 0;
}

int showQtBox(const TMessageBoxRequest &r)
{
    QMessageBox box(iconOf(r.flags), r.caption, QString(r.text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                    QMessageBox::NoButton, r.owner);
    const ButtonSet set = buttonsOf(r.flags);
    QList<QPushButton *> pushButtons;
    for (const auto &[button, id] : set.buttons)
        pushButtons << box.addButton(button);
    box.setDefaultButton(pushButtons.at(defaultIndex(r.flags, pushButtons.size())));
    if (set.buttons.size() == 1 || (r.flags & 0xF) == MB_OKCANCEL || (r.flags & 0xF) == MB_YESNOCANCEL)
        box.setEscapeButton(pushButtons.last());

    if (r.placement != mbpSystem) {
        box.adjustSize();
        QPoint pos = r.at;
        if (r.placement == mbpCentreOnOwner) {
            QWidget *owner = r.owner ? r.owner->window() : nullptr;
            if (!owner)
                owner = QApplication::activeWindow();
            if (owner) {
                const QRect o = owner->frameGeometry();
                pos = QPoint(o.left() + (o.width() - box.width()) / 2, o.top() + (o.height() - box.height()) / 2);
            } else {
                pos = QPoint();
            }
        }
        if (r.placement == mbpAtPoint || !pos.isNull())
            box.move(pos);
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (int i = 0; i < pushButtons.size(); ++i)
        if (pushButtons[i] == clicked)
            return set.buttons[i].second;
    return (r.flags & 0xF) == MB_YESNO ? IDNO : IDCANCEL;
}

}  // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler h)
{
    TMessageBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}

int DefaultButtonOf(unsigned flags)
{
    const ButtonSet set = buttonsOf(flags);
    return set.buttons.at(defaultIndex(flags, set.buttons.size())).second;
}

int ShowMessageBoxAt(QWidget *owner, const QString &text, const QString &caption, unsigned flags, int placement,
                     int x, int y)
{
    const TMessageBoxRequest request{owner, text, caption, flags, placement, QPoint(x, y)};
    if (handler())
        return handler()(request);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return 0;
    return showQtBox(request);
}
