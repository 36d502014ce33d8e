#include "growth/site.h"
