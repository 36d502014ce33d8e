#include "thinning/select.h"
