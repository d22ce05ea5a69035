// The module's instance handle and the host record of the run in progress.
#pragma once
#include "plugin/plugin.h"

extern HINSTANCE instance;
extern ProcessInfo *processInfo;
