// The role a screen reader announces for a window built on a plain widget (the record form, the directory's
// search windows, the copy to another book): a window of its own, not a pane inside another.
#pragma once

// Makes every top-level plain widget of type Qt::Window report the window role on the accessibility bus.
// Called by each such window as it is made; the second and later calls do nothing.
void UseWindowRoleForPlainWindows();
