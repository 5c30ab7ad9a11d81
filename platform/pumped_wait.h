#pragma once

// Waits that keep the program responsive: timers, network and input events run while they wait, so
// callers must tolerate being re-entered.

// Handles the events pending now, without waiting.
void pumpEvents();
// Marks the application as terminating: waits in progress return, later ones return at once.
void setApplicationTerminating(bool terminating);
bool applicationTerminating();
