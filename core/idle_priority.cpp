#include "core/idle_priority.h"

#include <pthread.h>
#include <sched.h>

namespace nw {

void run_when_idle() {
  const sched_param none{};
  (void)pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
}

}  // namespace nw
