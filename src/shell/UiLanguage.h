// The user interface language: Simplified Chinese unless the build names another
// (CORVANE_UI_LANGUAGE), whatever the machine's locale. It covers Qt's own dialogs and box
// buttons (Qt's translations from the system) and the engine's own texts (the engine locale).
// The program's own texts are fixed and do not change with it.
//
// Thread: UI thread, once the application object exists.
#pragma once

#include <QString>

namespace corvane {

// The language as Qt names it ("zh_CN").
QString UiLanguage();

// The same language as a BCP 47 tag for the engine ("zh-CN").
QString EngineLocale();

// Makes Qt speak the language: the default locale, Qt's translations of its own texts (a missing
// catalogue is reported and the program goes on in English), and Qt's own file dialogs instead of
// the desktop's, which would follow the desktop's language.
void InstallUiLanguage();

}  // namespace corvane
