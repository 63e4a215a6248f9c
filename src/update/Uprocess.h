// Starting outside programs: run one and wait for its exit code, or start one and leave it running.
//
// Threads: any thread. RunAndWait blocks its caller for the whole life of the started process.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace corvane::update {

// Longest command line RunAndWait takes; characters beyond it are dropped.
inline constexpr int kMaxCommandLine = 511;

// Runs the program the command line names, with the program's own folder as working folder, the
// caller's environment and no inherited descriptors beyond 0-2; waits without limit and returns its
// exit code (128 + the signal number when a signal ended it). Returns 0 when it could not be
// started, after reporting why. showState is a window show value; X11 gives it no meaning.
uint32_t RunAndWait(const QString& commandLine, uint16_t showState);

// Starts program without arguments in workingFolder, in a session of its own, and does not wait:
// it outlives this process. False when it could not be started, with the reason in *error.
bool StartDetached(const QString& program, const QString& workingFolder, QString* error = nullptr);

// How a command line names its program. A line that names an existing file as a whole is that
// program without arguments (so folders with blanks need no quotes); otherwise blanks separate
// the words and double quotes group them, the first word being the program.
struct CommandLine {
    QString program;
    QStringList arguments;
};
CommandLine SplitCommandLine(const QString& commandLine);

// The folder part of a program path: everything up to and including its last "/" (empty when it
// has none).
QString FolderOf(const QString& program);

}  // namespace corvane::update
