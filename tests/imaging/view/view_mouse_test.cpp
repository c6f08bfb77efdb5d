#include "ViewTestSupport.h"
