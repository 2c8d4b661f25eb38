// Installs the makers of the text import and export, the mark export, the settings, information and version
// dialogs, through which the main window opens them.
#pragma once

void RegisterExchangeDialogs();
