#pragma once

// Waits that keep the program responsive: timers, network and input events run while they wait, so
// callers must tolerate being re-entered.

// Processes pending events, then sleeps 1 ms, until `ms` milliseconds have passed.
void delayPumped(int ms);
// Waits up to `ms` milliseconds handling events as they arrive; returns at once when ms <= 0 and
// as soon as the application starts terminating.
void waitPumped(int ms);
// Handles the events pending now, without waiting.
void pumpEvents();
// Marks the application as terminating: waits in progress return, later ones return at once.
void setApplicationTerminating(bool terminating);
bool applicationTerminating();
