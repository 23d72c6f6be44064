#pragma once
// Moved to tests/support/; kept until every test includes it from there.
#include "support/pulse_test_support.h"
