// The Zireze growth-and-yield model of even-aged maritime pine stands: every
// routine and the stand as a value. Computation only: nothing here reads or
// writes anything.
#pragma once

#include "distribution/recovery.h"
#include "distribution/weibull.h"
#include "growth/projection.h"
#include "growth/site.h"
#include "growth/unthinned.h"
#include "input/thinned_input.h"
#include "refusals.h"
#include "stand.h"
#include "table/stand_table.h"
#include "table/tree.h"
#include "thinning/row.h"
#include "thinning/select.h"
