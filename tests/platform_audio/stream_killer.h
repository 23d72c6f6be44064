#pragma once
// Moved to tests/support/; kept until every test includes it from there.
#include "support/stream_killer.h"
