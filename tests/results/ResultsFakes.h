#pragma once
// Test doubles for the window services the results commands use.

#include "WindowFakes.h"

#include <functional>
#include <vector>

namespace tessaly::testing {

} // namespace tessaly::testing
