// The permissions of what the program creates (logs, qvprm.ini, downloads, the engine's cache).
//
// Main thread, first thing in the entry, before any other thread or process exists: the mask is
// process-wide and the engine's helper processes inherit it.
#pragma once

namespace corvane {

// Keeps the user's file-creation mask but never lets anything the program creates be writable by
// every user of the machine, whatever mask the program was started with (a umask of 0 would
// otherwise leave the log folder and the engine's cache open to anybody). Group permissions stay
// as the user's mask has them: an installation may share the program's folders with a group.
void RestrictFileCreationMask();

}  // namespace corvane
