#pragma once
// How the program ends. Shut Down, Close without a notification-area icon and
// the end of the session may come while a modal loop (a dialog, message box,
// property sheet, tracked menu or print job) runs over the frame and client,
// with a handler further up the stack that still uses them. So an end request
// cancels those loops, as the user would; the frame, and with it the client,
// is destroyed once the message loop is over and no handler is left.

// Cancels every dialog and menu of the program; the message loop then ends.
void RequestEnd();
bool EndRequested();

// The top of every turn of the message loop, where no handler runs any more:
// an end that was asked for ends the loop.
void EndLoopIfRequested();

// After the message loop: destroys the frame if it still exists, which saves
// and closes the note file and deletes the client.
void CarryOutEnd();
