// Stand-in for the platform's debugger break.
#pragma once

namespace platform {
// Raises SIGTRAP when a debugger is tracing this process; otherwise nothing.
void BreakIfDebuggerAttached();
}  // namespace platform
