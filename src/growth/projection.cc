#include "growth/projection.h"
