#pragma once
// The process as a whole: what it lets others see of its memory, and how it
// ends when it is asked to from outside.

// Makes the process non-dumpable and its core size limit zero, soft and hard:
// a crash writes no core file holding decrypted pixels or pass phrases, and
// other processes of the same user can neither attach to it nor read its
// memory. False when the system refused either.
bool ProtectProcessMemory();

// From here on SIGTERM, SIGINT and SIGHUP (a session's end, `kill`, Ctrl-C in
// the terminal, the terminal closing) end the message loops as the program's
// own quit does: the loop waiting now gets WM_QUIT, modal loops give up, the
// windows are destroyed and the program returns from its main loop. A second
// signal of the same kind ends the process at once, for a program that no
// longer reaches its message loop. Call once, before the first window.
void QuitOnTerminationSignals();
