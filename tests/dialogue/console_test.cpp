#include "dialogue/console.hpp"
#include <gtest/gtest.h>
