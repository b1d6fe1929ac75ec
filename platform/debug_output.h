// Output meant for a debugger, the stand-in for a debugger's output window.
//
// Text written here reaches standard error only while a debugger (any
// tracer: gdb, strace) is attached to the process, so that a player who
// started the game from a terminal sees none of it. Callers: the window
// procedure, on activation changes. Looked up on every call, since a
// debugger may attach or leave at any time.
#pragma once

// 1 while a tracer is attached (TracerPid in /proc/self/status is not 0).
int DebuggerAttached();
// Writes `text` to standard error as it stands, only while DebuggerAttached.
void WriteDebugOutput(const char* text);
