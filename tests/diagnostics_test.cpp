#include <gtest/gtest.h>
TEST(DiagnosticsTest, Placeholder) {}
