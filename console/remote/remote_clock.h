#pragma once

// The time the remote side waits on (the pause between follow-spot commands and the companion
// connect deadline): the console's one clock.

#include "platform/clock.h"
#include "platform/pumped_wait.h"

using RemoteClock = Clock;
using SystemRemoteClock = SystemClock;
