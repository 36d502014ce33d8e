#include "thinning/row.h"
