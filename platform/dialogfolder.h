#pragma once

#include <QString>

// Where the program's file dialogs (export, print to a file, charts, query
// files) start: the folder the user last chose in any of them this run, else
// the user's documents folder, else the home folder. Never the working folder
// the program runs in, which holds its own files and is hidden.
QString DialogStartFolder();

// The folder of `chosenPath` (a file the user picked in a dialog) becomes
// the start of the next dialog. An empty path changes nothing.
void RememberDialogFolder(const QString& chosenPath);

// The start folder given the last chosen folder (empty when none), the
// documents folder and the home folder: the first of them that exists.
QString PickDialogFolder(const QString& last, const QString& documents, const QString& home);
