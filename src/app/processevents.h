#pragma once

// Handles waiting events for the given time, pausing a millisecond whenever none is waiting: lets a
// window under a dialog that just closed repaint before long work starts.
void ProcessEventsFor(int milliseconds);
