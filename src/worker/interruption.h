#pragma once

// Whether the window has retired the worker of the current thread (its interruption
// request). On seeing the request it writes the debug line "Events were pending...".
bool workerRetired();
