// Helper threads that work ahead of need (faulting in memory before the capture thread asks for
// it) run only on a core nothing else wants: on a busy machine they would otherwise take turns
// with the capture thread itself, which then falls behind the frames.
#pragma once

namespace nw {

// The calling thread runs only when a core would otherwise be idle (SCHED_IDLE); left as it is
// where the system refuses.
void run_when_idle();

}  // namespace nw
