#include "distribution/weibull.h"
