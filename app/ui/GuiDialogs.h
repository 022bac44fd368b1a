#pragma once
// Installs the real dialogs behind the dialog hook: system message boxes, the program's own
// message dialog, file, input and colour dialogs. Called once at start-up.
void InstallGuiDialogs();
