#include <fenv.h>

#include "shell/FloatingPoint.h"

namespace corvane::engine {

void MaskFloatingPointExceptions() {
    // feholdexcept clears the raised flags and puts the environment in non-stop mode; the traps
    // themselves are turned off with fedisableexcept (denormal operand included where the
    // processor has it).
    fenv_t environment;
    feholdexcept(&environment);
    int all = FE_ALL_EXCEPT;
#ifdef __FE_DENORM
    all |= __FE_DENORM;
#endif
    fedisableexcept(all);
}

}  // namespace corvane::engine
