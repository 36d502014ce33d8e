// Selective thinning down to a residual basal area BA1.
#pragma once

#include "../distribution/recovery.h"

namespace zireze {

// Clears the unthinned flag; the first selective thinning of a stand entered
// unthinned uses its own set of equations.
// `cache`: CFIND's, for a caller that thins many times.
void SELECT(float A0, float B0, float C0, float TS0, float BA0, float DMIN0, int& unthinned,
            float BA1, float& A1, float& B1, float& C1, float& TS1, ShapeCache* cache = nullptr);

}  // namespace zireze
