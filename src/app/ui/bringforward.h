#pragma once

class QWidget;

// Brings `window` to the front with the modal dialogs open over it kept above it, and with
// `activate` also restores it from the minimised state and gives the topmost of them the focus.
// A window raised over its own modal dialog hides the one thing that takes clicks.
void BringWindowForward(QWidget* window, bool activate);
