#pragma once
// The start procedure: one instance per Windows folder, the link, and the
// wait loop in which every action runs. Returns the process exit code.

#include "context/Environment.h"
#include "customfields/RequiredFieldsEditor.h"
#include "session/LoginDialog.h"

namespace ob {

// `logins` and `editors` make the link's dialogs (see Link).
int RunStartProcedure(const Environment& env, LoginDialogs& logins, RequiredFieldsEditors& editors);

} // namespace ob
