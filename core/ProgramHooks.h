// What the engine, the dataset routines and the system routines leave for the program to
// connect once it has an application object: the screen cursor, the ini name of a form, the
// desktop's file type names and the password prompt of the tables.
#pragma once

namespace kvz {

// Called by the program's main once the QApplication exists, before any table opens.
void InstallProgramHooks();

} // namespace kvz
