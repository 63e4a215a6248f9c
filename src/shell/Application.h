// The application object (QApplication): created on first need in the main process, before the
// first window or box, never in an engine helper process.
//
// Thread: UI thread (the thread that runs the entry). Ownership: this module owns the object it
// creates and destroys it in DestroyApplication; an application object made by someone else (a
// test's own) is used as it is and left alone.
#pragma once

#include <QApplication>

namespace corvane {

// The command line the application object is created with (copied; the entry records it first).
void SetApplicationArguments(int argc, char** argv);

// The QApplication of the process: the existing one, or a new one (with
// Qt::AA_ShareOpenGLContexts set before it, which the engine's views need).
QApplication& Application();

// Destroys the application object this module created (and with it what it still owns).
void DestroyApplication();

}  // namespace corvane
