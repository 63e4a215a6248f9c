#include <sys/stat.h>

#include "shell/FileCreationMask.h"

namespace corvane {

void RestrictFileCreationMask() {
    const mode_t current = umask(0);
    umask(current | S_IWOTH);
}

}  // namespace corvane
