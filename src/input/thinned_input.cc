#include "input/thinned_input.h"
