// The start-up gates run by the entry before the application is set up. UI thread.
#pragma once

#include "shell/AppContext.h"

namespace corvane {

// Machine identity, update folder, engine library check and start, command-line guard, then the
// configuration with the wait window showing. True lets the start go on; false ends it quietly
// (an engine helper's work is done, the library is missing, or the command line carries an
// engine process type). Throws engine::EngineLoadError when the library cannot be loaded or is
// incomplete. The wait window is hidden on every way out. Fills context's settings and engine
// settings; the program folder in it must be set.
bool StartupCheck(int argc, char** argv, AppContext& context);

}  // namespace corvane
