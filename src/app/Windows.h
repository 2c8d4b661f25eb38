// Every window maker the program installs at start: the main list reaches the windows of the folders above it
// only through these.
#pragma once

void RegisterWindows();
