// Floating-point exception masking for the engine, which expects every floating-point exception
// masked on the thread that runs it. Platform part: FloatingPoint_linux.cpp.
#pragma once

namespace corvane::engine {

// Masks invalid operation, denormal operand, division by zero, overflow, underflow and inexact
// result on the calling thread.
void MaskFloatingPointExceptions();

}  // namespace corvane::engine
