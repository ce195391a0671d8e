#pragma once

#include <QString>

// Mirel's folder in the user's local (not roaming) data location, "Quenza/Mirel" as for the
// settings store: %LOCALAPPDATA%\Quenza\Mirel on Windows, $XDG_DATA_HOME/Quenza/Mirel (by default
// ~/.local/share/Quenza/Mirel) elsewhere. Named here because the application object carries no
// organization or application name. Not created.
QString localDataFolder();

// Where the one-instance lock and socket live: the login's runtime folder ($XDG_RUNTIME_DIR), which
// is private to the user and emptied at logout, when there is one; the local data folder otherwise.
QString instanceFolder();
