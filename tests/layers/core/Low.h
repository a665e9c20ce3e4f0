#pragma once
// Reaches up into a higher layer.
#include "app/High.h"
