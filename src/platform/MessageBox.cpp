#include "platform/MessageBox.h"

#include "platform/Forms.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include <cstdio>

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

// Placed once its size is final: a message box sizes itself to its text only as it is shown.
class TPlacedBox : public QMessageBox {
public:
    TPlacedBox(const TMessageBoxRequest &r)
        : QMessageBox(iconOf(r.flags), r.caption, QString(r.text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                      QMessageBox::NoButton, r.owner),
          request_(r)
    {
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        move(placement());
    }

private:
    // The owner's centre (placement 0, the active window without an owner), the given point (1), or, where the
    // system puts a box (2), the middle of the work area of the owner's screen: a hidden owner, such as the
    // start-up's main form, has no place of its own on the screen.
    QPoint placement() const
    {
        const TMessageBoxRequest &r = request_;
        if (r.placement == mbpAtPoint)
            return r.at;
        QWidget *owner = r.owner ? r.owner->window() : nullptr;
        if (r.placement == mbpCentreOnOwner && !owner)
            owner = QApplication::activeWindow();
        QRect area;
        if (r.placement == mbpCentreOnOwner && owner && owner->isVisible()) {
            area = owner->frameGeometry();
        } else {
            const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
            area = screen ? screen->availableGeometry() : QRect();
        }
        return QPoint(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }

    TMessageBoxRequest request_;
};

int showQtBox(const TMessageBoxRequest &r)
{
    TPlacedBox box(r);
    const ButtonSet set = buttonsOf(r.flags);
    QList<QPushButton *> pushButtons;
    for (const auto &[button, id] : set.buttons)
        pushButtons << box.addButton(button);
    box.setDefaultButton(pushButtons.at(defaultIndex(r.flags, pushButtons.size())));
    if (set.buttons.size() == 1 || (r.flags & 0xF) == MB_OKCANCEL || (r.flags & 0xF) == MB_YESNOCANCEL)
        box.setEscapeButton(pushButtons.last());
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
    // The owner's window takes no other command while the box is open, its controls do nothing, and it is not
    // closed under the caller.
    QWidget *window = owner ? owner->window() : nullptr;
    const TWindowCommand command(window);
    const TWindowQuestion asking(window);
    if (handler())
        return handler()(request);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return 0;
    return showQtBox(request);
}

void PrintMessageToStderr(const QString &text)
{
    const QString lines = QString(text).replace(QRegularExpression(QStringLiteral(" *\r\n")), QStringLiteral("\n")).trimmed();
    std::fprintf(stderr, "%s\n", qUtf8Printable(lines));
    std::fflush(stderr);
}
