#include "imaging/io/IEIOTypes.h"

int32_t DefaultDpiX = 300;
int32_t DefaultDpiY = 300;
bool ColorManagementEnabled = false;
