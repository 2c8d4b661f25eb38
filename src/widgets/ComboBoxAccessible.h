// The combo boxes as the accessibility bus reads them: by the name the program gives them, with their item as value.
#pragma once

// Installed once, as the program starts (after the QApplication, whose own interfaces it goes before).
void InstallComboBoxAccessibility();
