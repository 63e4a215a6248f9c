// The engine library loaded at run time, as the shell loads it: CefLib/libcef.so beside the
// executable, entry points looked up by name.
#pragma once

#include <QString>

#include "ScriptedExports.h"
#include "cef_engine.h"

// The probe is a program of its own around the engine: it names the interface as it stands.
using namespace corvane::engine_interface;

struct EngineLibrary {
#define PROBE_ENGINE_MEMBER(name) name##_t name = nullptr;
    CEF_ENGINE_EXPORTS(PROBE_ENGINE_MEMBER)
#undef PROBE_ENGINE_MEMBER
    // Only the scripted engine has these (the page's side of a load); null for any other.
    corvane_scripted_load_end_t scripted_load_end = nullptr;
    corvane_scripted_title_change_t scripted_title_change = nullptr;
    void* handle = nullptr;

    // False with error set when the file cannot be loaded or lacks an entry point.
    bool Load(QString* error);
    ~EngineLibrary();
};
