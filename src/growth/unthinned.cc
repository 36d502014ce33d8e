#include "growth/unthinned.h"
