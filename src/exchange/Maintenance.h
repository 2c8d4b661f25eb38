// Installs the makers through which the main list opens the maintenance dialogs.
#pragma once

void RegisterMaintenance();
