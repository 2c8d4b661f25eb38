// Where every window stands: wholly on its screen, its title bar included, when it opens and when the screen changes.
#pragma once

// Holds each window and dialog of the program, each time it is shown, wholly inside the available area of the
// screen it opens on (the desktop's panels left out), its frame and title bar included, wherever the window
// asked to be (a place stored on a larger screen, a centre over an owner taller than the screen): moved in as
// far as it sticks out, and, larger than the area, shrunk as far as it can shrink and opened at the area's top
// left. The windows open when a screen becomes smaller or goes are held inside again the same way. Menus and
// tips are left to Qt, which keeps them on the screen itself. Called once at start.
void KeepWindowsOnScreen();
