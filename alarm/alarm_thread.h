// The alarm thread: it carries out the firings that alarm evaluation queues (the alarm's line
// in the output list, its hit, its sound, its program, its place in the alarm ranking), so
// that the capture thread never waits for a sound, a program start or the window.
#pragma once

#include "alarm/alarm.h"
#include "alarm/alarm_actions.h"

namespace nw {

// Starts the thread, which carries out every firing with `actions` until it is stopped.
// 1 started; 0 when it runs already.
int alarm_thread_start(alarm_actions actions);

// Ends the thread after the firing it is carrying out and joins it; firings still queued stay
// queued, with the wake-up set, for a later start. Nothing when it does not run.
void alarm_thread_stop();

// Returns once the queue is empty and no firing is being carried out: 1. 0 at once when the
// thread does not run, or as soon as it is stopped. Firings queued meanwhile are waited for too.
int alarm_thread_drain();

// Carries out one firing: output_add_alarm of the message at the firing's time; a hit; the
// sound when it is set and enabled; the program when it is set and enabled (neither waited
// for, failures silent); then, under alarm_mutex, the alarm's offer to the current network's
// alarm ranking. An event without an alarm does nothing. The caller holds no alarm lock.
void alarm_handle(const alarm_event& event, const alarm_actions& actions);

}  // namespace nw
