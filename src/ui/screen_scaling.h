#pragma once

// The form is placed in pixels around a 10 px font: on a high-density screen it would
// be tiny. This lets Qt scale the whole window, its fonts and its icon with the screen.
// Call before the QApplication is created.
void enableScreenScaling();
