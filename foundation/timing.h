#pragma once

// A stack of time stamps for measuring work: push before, pop after. Each thread has its own stack,
// so background operations and the main thread can measure at the same time.
void pushTimestamp();
// Seconds since the matching push; 0.0 when the stack is empty.
double popElapsedSeconds();
