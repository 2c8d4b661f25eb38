// Installs the makers through which the main list opens the maintenance dialogs, and start-up's removal of
// what killed work left behind.
#pragma once

void RegisterMaintenance();
