// Defined apart from the exports so the procedures that read them also link
// into the tests.
#include "plugin/run_state.h"

HINSTANCE instance;
ProcessInfo *processInfo;
