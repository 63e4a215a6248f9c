// The scripted engine's entry points for a host that loads it at run time, as the shell does
// (dlopen, then dlsym by name), and so cannot call ScriptedEngine directly: the engine probe of the
// engine contract tests. They script the page's side of a load, which the scripted engine never
// produces by itself. The engine on Qt WebEngine has none of them; a host tells the two apart by
// their presence.
//
// UI thread only, after cef_initialize. Each returns 1, or 0 when there is no browser `id`.
#pragma once

#include <QString>

extern "C" {
// The main frame of browser `id` finished loading (ScriptedEngine::LoadEnd, queued).
typedef int (*corvane_scripted_load_end_t)(int id, int http_status);
// The page's title changed (ScriptedEngine::TitleChange, queued).
typedef int (*corvane_scripted_title_change_t)(int id, const QString* title);
}
