#include "rtl/Exception.h"

void Abort() { throw EAbort("Operation aborted"); }
