#!/usr/bin/python3
"""Drives a control of the program through the accessibility bus, as a screen reader's user would: the
control is found in the newest showing window whose title matches, by its role and its accessible name, and
waited for until it is there and enabled.

Usage: atspi.py [--timeout S] <command> <window title regex> [<role> <name> [<value>]]
  find    <window> <role> <name>       succeeds once the control is showing
  press   <window> <role> <name>       the control's press (a button; a combo box's list, waited for)
  check   <window> <role> <name> on|off  a check box ticked or not, pressed only when it differs
  set     <window> <role> <name> <n>   the value of a spin box
  value   <window> <role> <name> <n>   succeeds once the control's value is n (a bar reads as its window shows)
  focus   <window> <role> <name>       the keyboard focus given to the control (a text field to type into)
  focused <window> <role> <name>       succeeds once the control has the keyboard focus (the keys brought it)
  current <window> <role> <name>       prints the name of the list's current item (what the arrows chose)
  item    <window> <role> <name> <item> [on|off]  an item of a list or of a combo box's list chosen; on/off
                                       ticks it in a check list
  holds   <window> <role> <name> <text>  succeeds once the control's text is that (the keys typed have arrived)
  text    <window> <role> <name> <text>  the text of a field set whole, as a screen reader sets it, without a key
                                       (what the field made of it is read with holds)
  default <window>                     the default button of the window (a question answered with Enter)
  window  <window>                     succeeds once a window of the title is showing and active
  list    <window>                     prints the role and name of each showing control (to write a step)
  says    <window> <words>             succeeds once a label of the window holds the words (two boxes of
                                       one title told apart by what they ask)
Roles are the bus's own words: "push button", "check box", "spin button", "combo box"; a combo box is named
by the name given it or its label, and found by the item it shows as well. Every command checks the state it
brought about before it succeeds, and fails with a line on stderr after the timeout.
"""
import re
import sys
import time

import pyatspi

# Lists and tables hold every row of a book as a child: a control is never inside one.
NOT_SEARCHED = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE,
                pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM}


def states(acc):
    return acc.getState()


def showing(acc):
    return states(acc).contains(pyatspi.STATE_SHOWING)


def windows(title):
    """The showing top-level windows of every application whose title matches, newest last."""
    found = []
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and re.search(title, window.name or "") and showing(window):
                found.append(window)
    return found


def descendants(acc):
    for child in acc:
        if child is None:
            continue
        yield child
        if child.getRole() not in NOT_SEARCHED:
            yield from descendants(child)


def shown_item(combo):
    """The item a combo box shows: its text (its name, as Qt has it, where the program gave it none)."""
    if "Text" in pyatspi.listInterfaces(combo):
        return combo.queryText().getText(0, -1)
    return combo.name


def named(acc, name):
    if acc.name == name:
        return True
    # A combo box is named by the name given it or by the label it is the buddy of, and found by the item it shows.
    if acc.getRole() == pyatspi.ROLE_COMBO_BOX and shown_item(acc) == name:
        return True
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            if any(relation.getTarget(i).name == name for i in range(relation.getNTargets())):
                return True
    return False


def control(title, role, name):
    wins = windows(title)
    if not wins:
        return None
    for acc in descendants(wins[-1]):
        if acc.getRoleName() == role and showing(acc) and named(acc, name):
            return acc
    return None


def list_shown(combo):
    return any(c is not None and c.getRole() == pyatspi.ROLE_LIST and showing(c) for c in combo)


def do_action(acc, *names):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in names:
            action.doAction(i)
            return
    raise LookupError(f"no {'/'.join(names)} action on {acc.getRoleName()} '{acc.name}'")


def default_button(title):
    wins = windows(title)
    if not wins:
        return None
    for acc in descendants(wins[-1]):
        if acc.getRole() == pyatspi.ROLE_PUSH_BUTTON and states(acc).contains(pyatspi.STATE_IS_DEFAULT):
            return acc
    return None


def until(timeout, step):
    """Calls step until it returns true; the bus may drop an object that closes meanwhile, which is retried."""
    end = time.monotonic() + timeout
    error = None
    while time.monotonic() < end:
        try:
            if step():
                return True
        except Exception as e:  # a window or control gone between two calls
            error = e
        time.sleep(0.2)
    if error is not None:
        print(f"atspi: last error: {error}", file=sys.stderr)
    return False


def main(argv):
    timeout = 30.0
    if len(argv) > 1 and argv[0] == "--timeout":
        timeout = float(argv[1])
        argv = argv[2:]
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    command, title = argv[0], argv[1]
    args = argv[2:]

    def enabled(acc):
        return acc is not None and states(acc).contains(pyatspi.STATE_ENABLED)

    if command == "list":
        wins = windows(title)
        for acc in descendants(wins[-1]) if wins else ():
            if showing(acc):
                print(f"{acc.getRoleName()}\t{acc.name}")
        return 0 if wins else 1
    if command == "window":
        ok = until(timeout, lambda: any(states(w).contains(pyatspi.STATE_ACTIVE) for w in windows(title)))
        what = f"no active window '{title}'"
    elif command == "find":
        ok = until(timeout, lambda: control(title, *args[:2]) is not None)
        what = f"no {args[0]} '{args[1]}' in '{title}'"
    elif command == "press":
        pressed = []

        # Pressed once only: a press that opens a box must not be repeated when the reply is slow.
        def press():
            acc = control(title, *args[:2])
            if not enabled(acc):
                return False
            # Read before the press: a press that closes the window or ends the program takes the object along.
            combo = acc.getRole() == pyatspi.ROLE_COMBO_BOX
            do_action(acc, "press", "showmenu")
            pressed.append((acc, combo))
            return True
        ok = until(timeout, press)
        # A combo box's press opens its list, which takes the keys once it is shown.
        if ok and pressed[0][1]:
            ok = until(timeout, lambda: list_shown(pressed[0][0]))
        what = f"no {args[0]} '{args[1]}' to press in '{title}', or its list did not open"
    elif command == "item":
        # The bus gives a list's item no press (its one action selects the cell without making it current), so
        # the item is clicked where the bus places it, as a user points at it; a check list's tick then follows
        # the space key, as the list takes it from the keyboard.
        want = None if len(args) < 4 else args[3] == "on"
        found = []

        def owner():
            acc = control(title, *args[:2])
            if enabled(acc):
                found.append(acc)
            return bool(found)
        ok = until(timeout, owner)
        # A combo box is held once found: it may be found by its item, which the choice changes.
        combo = ok and found[0].getRole() == pyatspi.ROLE_COMBO_BOX
        if combo and not list_shown(found[0]):
            do_action(found[0], "press", "showmenu")
            ok = until(timeout, lambda: list_shown(found[0]))

        def item():
            view = found[0]
            if combo:
                view = next(c for c in view if c is not None and c.getRole() == pyatspi.ROLE_LIST)
            return next((c for c in view if c is not None and c.name == args[2] and showing(c)), None)

        def chosen():
            if combo:
                return shown_item(found[0]) == args[2] and not list_shown(found[0])
            s = states(item())
            return s.contains(pyatspi.STATE_FOCUSED) and s.contains(pyatspi.STATE_SELECTED)
        last_click = [0.0]

        # Clicked again only while the item is still there to click: a list that closed with the choice is not.
        def click():
            if chosen():
                return True
            acc = item()
            if acc is not None and time.monotonic() - last_click[0] > 2:
                e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                pyatspi.Registry.generateMouseEvent(e.x + e.width // 2, e.y + e.height // 2, "b1c")
                last_click[0] = time.monotonic()
            return False
        ok = ok and until(timeout, click)
        if ok and want is not None and states(item()).contains(pyatspi.STATE_CHECKED) != want:
            # Pressed once: a second space would take the tick back.
            pyatspi.Registry.generateKeyboardEvent(0x20, None, pyatspi.KEY_SYM)
            ok = until(timeout, lambda: states(item()).contains(pyatspi.STATE_CHECKED) == want)
        what = f"no item '{args[2]}' of the {args[0]} '{args[1]}' in '{title}' chosen" + \
            ("" if want is None else f", or not {args[3]}")
    elif command == "holds":
        # Keys come through the X server and presses through the bus: a press after typing waits for the text.
        ok = until(timeout, lambda: control(title, *args[:2]).queryText().getText(0, -1) == args[2])
        what = f"the {args[0]} '{args[1]}' in '{title}' does not hold '{args[2]}'"
    elif command == "text":
        def set_text():
            acc = control(title, *args[:2])
            if not enabled(acc):
                return False
            return acc.queryEditableText().setTextContents(args[2])
        ok = until(timeout, set_text)
        what = f"the {args[0]} '{args[1]}' in '{title}' took no text"
    elif command == "check":
        want = args[2] == "on"

        def check():
            acc = control(title, *args[:2])
            if not enabled(acc):
                return False
            if states(acc).contains(pyatspi.STATE_CHECKED) == want:
                return True
            do_action(acc, "toggle", "press")
            return False
        ok = until(timeout, check)
        what = f"the {args[0]} '{args[1]}' in '{title}' is not {args[2]}"
    elif command == "set":
        value = float(args[2])

        def set_value():
            acc = control(title, *args[:2])
            if not enabled(acc):
                return False
            v = acc.queryValue()
            if v.currentValue == value:
                return True
            v.currentValue = value
            return False
        ok = until(timeout, set_value)
        what = f"the {args[0]} '{args[1]}' in '{title}' did not take {args[2]}"
    elif command == "value":
        value = float(args[2])
        ok = until(timeout, lambda: abs(control(title, *args[:2]).queryValue().currentValue - value) < 1e-9)
        what = f"the {args[0]} '{args[1]}' in '{title}' does not hold the value {args[2]}"
    elif command == "focus":
        def focus():
            acc = control(title, *args[:2])
            if not enabled(acc):
                return False
            if states(acc).contains(pyatspi.STATE_FOCUSED):
                return True
            acc.queryComponent().grabFocus()
            return False
        ok = until(timeout, focus)
        what = f"the {args[0]} '{args[1]}' in '{title}' did not take the focus"
    elif command == "focused":
        ok = until(timeout, lambda: states(control(title, *args[:2])).contains(pyatspi.STATE_FOCUSED))
        what = f"the {args[0]} '{args[1]}' in '{title}' does not have the focus"
    elif command == "current":
        def current():
            for item in control(title, *args[:2]):
                if item is not None and states(item).contains(pyatspi.STATE_SELECTED):
                    print(item.name)
                    return True
            return False
        ok = until(timeout, current)
        what = f"no current item in the {args[0]} '{args[1]}' in '{title}'"
    elif command == "says":
        def says():
            wins = windows(title)
            return bool(wins) and any(acc.getRole() == pyatspi.ROLE_LABEL and args[0] in (acc.name or "")
                                      and showing(acc) for acc in descendants(wins[-1]))
        ok = until(timeout, says)
        what = f"no label with '{args[0]}' in '{title}'"
    elif command == "default":
        pressed = []

        def press_default():
            acc = default_button(title)
            if not enabled(acc):
                return False
            do_action(acc, "press")
            pressed.append(acc)
            return True

        def closed():
            try:
                return not showing(pressed[0])
            except Exception:  # the box is gone from the bus
                return True
        # The press lands a moment later: its box is waited for to close, so it is never pressed twice.
        ok = until(timeout, press_default) and until(timeout, closed)
        what = f"no default button in '{title}', or its box stayed open"
    else:
        print(__doc__, file=sys.stderr)
        return 2
    if not ok:
        print(f"atspi: {what}", file=sys.stderr)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
