// Finds the controls of a window that a screen reader or the accessibility bus could not name.
#pragma once

#include <string>
#include <vector>

class QAbstractButton;
class QLineEdit;
class QString;
class QWidget;

namespace test {

// Every control of window a user can reach (buttons, edits, combo and spin boxes, check and radio boxes, lists,
// tables and trees, tab bars, sliders, tool buttons, the actions of its menus, and the program's own views that
// take the keyboard focus) whose accessible name is empty, each as "Class 'objectName' in 'parent's
// objectName'", so a failing test reads as the list of controls to name; and, with why after ": ", each whose
// name does not tell it: one named only by the title of the group box it lies in (its neighbours there take the
// same), a combo box named by neither a label (its buddy) nor a name given it (Qt on Linux reads it by its
// current item), a name of digits alone or a tick's of one character. Controls hidden by the program are left
// out; those on the pages of a tab or stack that is not current are not, since the user reaches them by turning
// the page. A control's own parts (the edit inside a spin box, a combo box's list) take their name from it.
std::vector<std::string> unnamedControls(QWidget *window);

// The controls of window shown together (those of one page of a tab or stack, the current one or another) that
// another of them of the same role in the same group box has the accessible name of, each as "'name': Class
// 'objectName' in 'parent's objectName'": a screen reader reads them alike, so its user cannot tell which is
// which. A combo box goes by the name given it, else by its label.
std::vector<std::string> controlsSharingANameWithAnother(QWidget *window);

// Ticks a radio button (or toggles a checkable button) as a screen reader does: through its toggle action on the
// accessibility bus, which sends no click. False when the button offers no such action.
bool toggleOnTheBus(QAbstractButton *button);

// Puts text in place of a field's whole text as a screen reader does, through the field's editable text
// interface on the accessibility bus: no key, no focus. False when the field offers no such interface.
bool setTextOnTheBus(QWidget *field, const QString &text);

// Presses a button as a screen reader does: through its press action on the accessibility bus, which reaches a
// window under its modal box. Returns once the press has landed (a push button's is animated first) and the window
// has been updated for it. False when the button offers no such action.
bool pressOnTheBus(QAbstractButton *button);

// Takes the text off the tooltip shown: QToolTip::hideText lets a tip fade out and keeps its text meanwhile, which
// a check of the next tip would read as its own.
void forgetToolTip();

// Puts text into the emptied edit twice, as a paste and as a screen reader's text set over the accessibility bus
// (the program's typed-text interface installed), with the edit's window shown. Each time the edit must keep a
// part of it that its validator takes as it stands and say at the edit what it cut. Answers what went wrong,
// empty when both did.
std::string overlongInputFault(QLineEdit *edit, const QString &text);

}  // namespace test
