#include "toolbar/TTBKDock.h"

RTL_DEFINE_CLASS(TTBKDock, TDKDock)
