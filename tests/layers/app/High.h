#pragma once
// Uses the layers below it, as it may.
#include "core/Low.h"
#include "reader/Reader.h"
