#pragma once

// The program: builds the window with the bridge on its web channel, applies the stored
// settings and runs the event loop. Returns the event loop's exit code.
int runShell(int argc, char *argv[]);
