#pragma once
// Where the program's files live: the Windows folder (the exchange file, the
// log, NEXOVA.INI) and the folder of the running executable (orbista.exe).

#include <string>

namespace ob::sys {

// $WINDIR when set, else $XDG_DATA_HOME/ob32pyii (default
// ~/.local/share/ob32pyii); created when missing. On Windows the system's
// Windows folder, or the folder OB32PYII_WINDIR names (created when missing).
std::string windowsFolder();

// The user's own folder for the logs of earlier runs, not created here:
// $XDG_STATE_HOME/ob32pyii/logs (default ~/.local/state/ob32pyii/logs); on
// Windows %LOCALAPPDATA%\OB32PYII\logs.
std::string logHistoryFolder();

// The folder that holds the running executable.
std::string programFolder();

// Joins a folder and a file name with the platform's separator.
std::string buildPath(const std::string& folder, const std::string& name);

} // namespace ob::sys
