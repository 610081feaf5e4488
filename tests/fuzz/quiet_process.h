#pragma once

// For a fuzz target's start: the program's console lines and debug traces would cost
// more than the code under test, and libFuzzer reports on standard error.
void quietProcess();
