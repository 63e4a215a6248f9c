// The platform's process creation behind Uprocess (Uprocess_linux.cpp). Any thread.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace corvane::update::platform {

// Starts program with the arguments in workingFolder (none: the caller's) and waits for it.
// False when it could not be started, with the reason in *error.
bool SpawnAndWait(const QString& program, const QStringList& arguments,
                  const QString& workingFolder, uint32_t* exitCode, QString* error);

// Starts program in workingFolder in a new session and reaps it in the background when it ends.
bool SpawnDetached(const QString& program, const QString& workingFolder, QString* error);

}  // namespace corvane::update::platform
