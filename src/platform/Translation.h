// Qt's own texts in Japanese: the standard buttons of message boxes and dialog button rows, the file, colour
// and font dialogs, the edit controls' context menus.
#pragma once

// Loads Qt's Japanese translation from Qt's translation folder into the application. False when it is not
// installed there; the program then still runs, with Qt's own texts in English.
bool InstallQtTranslation();
