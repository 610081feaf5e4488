#pragma once

#include <QtGlobal>

#include <optional>

// Figures of other processes, read from /proc.

// CPU time (user and system) that the running pcscd has used so far; none when its pid
// file or its /proc entry cannot be read.
std::optional<double> pcscdCpuMs();

// The process's peak resident set size (VmHWM) so far, in MiB.
std::optional<double> peakResidentMiB(qint64 pid);
