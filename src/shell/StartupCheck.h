// The start-up gates run by the entry before the application is set up. UI thread.
#pragma once

namespace corvane {

// Machine identity, update folder, engine library check and start, command-line guard, then the
// configuration with the wait window showing. True lets the start go on; false ends it quietly
// (an engine helper's work is done, the library is missing, or the command line carries an
// engine process type). Throws engine::EngineLoadError when the library cannot be loaded or is
// incomplete. The wait window is hidden on every way out.
bool StartupCheck(int argc, char** argv);

}  // namespace corvane
