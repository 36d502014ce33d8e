#include "table/stand_table.h"
