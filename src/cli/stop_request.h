#pragma once

#include <QString>

class QThread;

// Why a command was asked to stop before its end. The first cause counts.
enum class StopCause { None, Interrupt, Terminate, HangUp, OutputFailed };

// Asks the command's thread (see setCommandThread) to stop for cause, through its
// interruption request, which the card watch and every step of a run look at. True for
// the first request. Callable from any thread.
bool requestStop(StopCause cause);
StopCause stopCause();

// The thread that runs the command; null once it is done.
void setCommandThread(QThread *thread);

// "interrupted", "terminated", "hung up", "standard output cannot be written".
QString stopReason(StopCause cause);
// As a shell reports a process ended by the matching signal: 130, 143, 129, and for a
// failed write to standard output 141, as for SIGPIPE.
int stopExitStatus(StopCause cause);
