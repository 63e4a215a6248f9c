#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "update/Uprocess_platform.h"

extern char** environ;

namespace corvane::update::platform {

namespace {

QString ErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
  public:
    SpawnAttributes() { posix_spawnattr_init(&attr_); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attr_; }

  private:
    posix_spawnattr_t attr_;
};

// Starts the program; returns 0 or the errno value that kept it from starting.
int Spawn(pid_t* pid, const QString& program, const QStringList& arguments,
          const QString& workingFolder, bool newSession) {
    std::vector<QByteArray> words;
    words.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments) words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    FileActions actions;
    const QByteArray folder = QFile::encodeName(workingFolder);
    if (!folder.isEmpty()) {
        if (int rc = posix_spawn_file_actions_addchdir_np(actions.get(), folder.constData())) {
            return rc;
        }
    }
    // Only the standard descriptors pass to the child; none of this process's files or sockets.
    if (int rc = posix_spawn_file_actions_addclosefrom_np(actions.get(), 3)) return rc;

    SpawnAttributes attributes;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (newSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(attributes.get(), flags);

    // A bare name is looked up on PATH, as a command line naming one would be.
    const bool bareName = !program.contains(QLatin1Char('/'));
    return bareName
               ? posix_spawnp(pid, argv[0], actions.get(), attributes.get(), argv.data(), environ)
               : posix_spawn(pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
}

// Waits for the child; false when it cannot be waited for (already reaped elsewhere).
bool WaitFor(pid_t pid, int* status) {
    while (waitpid(pid, status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace

bool SpawnAndWait(const QString& program, const QStringList& arguments,
                  const QString& workingFolder, uint32_t* exitCode, QString* error) {
    pid_t pid = 0;
    if (int rc = Spawn(&pid, program, arguments, workingFolder, false)) {
        *error = ErrorText(rc);
        return false;
    }
    int status = 0;
    *exitCode = 0;
    if (WaitFor(pid, &status)) {
        if (WIFEXITED(status)) *exitCode = uint32_t(WEXITSTATUS(status));
        if (WIFSIGNALED(status)) *exitCode = 128u + uint32_t(WTERMSIG(status));
    }
    return true;
}

bool SpawnDetached(const QString& program, const QString& workingFolder, QString* error) {
    pid_t pid = 0;
    if (int rc = Spawn(&pid, program, {}, workingFolder, true)) {
        *error = ErrorText(rc);
        return false;
    }
    // Reaped in the background so that it leaves no zombie while this process lives; it keeps
    // running when this process ends.
    try {
        std::thread([pid] {
            int status = 0;
            WaitFor(pid, &status);
        }).detach();
    } catch (const std::system_error&) {
        // Without a reaper the child stays a zombie until this process ends; it still runs.
    }
    return true;
}

}  // namespace corvane::update::platform
