#pragma once

namespace platform {

// What the person at the desk does while a command waits for a server is
// held and delivered after the wait, in the order it was made:
//  - keys go to wherever the keyboard focus is then (the window the command
//    opened, say), unless the window they were typed into has been closed;
//  - a click, or a key that presses a control (a mnemonic, a shortcut), on a
//    control that was greyed out when it was made does nothing, nor does a
//    click on a window closed since or now behind another modal window;
//  - the window manager's request to close a window waits like any input;
//  - when the command then opens a message box, everything held is dropped:
//    the salesperson reads the box first, and an Enter typed ahead must not
//    answer it unread.
// Installed once, for a QApplication; without one it does nothing.
void installInputHold();

// A message box is about to open: input held from a wait is dropped.
void dropHeldInput();

} // namespace platform
