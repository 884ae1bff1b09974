#include <gtest/gtest.h>
TEST(BindingTest, Placeholder) {}
