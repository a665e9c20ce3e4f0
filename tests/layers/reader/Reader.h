#pragma once
// May use nothing of ours, yet uses the core.
#include "core/Low.h"
