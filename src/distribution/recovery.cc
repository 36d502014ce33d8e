#include "distribution/recovery.h"
