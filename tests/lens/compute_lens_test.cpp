#include "lens/compute_lens.hpp"
#include <gtest/gtest.h>
