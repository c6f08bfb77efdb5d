#include "toolbar/TTBKButton.h"

RTL_DEFINE_CLASS(TTBKButton, TButton)
