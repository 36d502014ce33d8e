#include "table/tree.h"
