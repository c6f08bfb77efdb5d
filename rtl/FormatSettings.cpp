#include "rtl/FormatSettings.h"

TFormatSettings FormatSettings;
