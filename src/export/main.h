#pragma once

// The program entry: single-instance rule, main form, message loop. Returns the exit status,
// which equals the completion code sent to a calling program.
int ProgramMain(int argc, char** argv);
