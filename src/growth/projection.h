// Stand projection from age IDADE0 to IDADE2: basal-area growth, the minimum
// diameter and P90 at the new age, and the Weibull parameters that follow.
#pragma once

#include "../distribution/recovery.h"

namespace zireze {

// `cache`: CFIND's, for a caller that projects many times.
void PSTAND(float IDADE0, float BA0, float TS0, float SI, float A0, float B0, float C0,
            float IDADE2, float& BA2, float& TS2, float& DMIN2, float& A2, float& B2, float& C2,
            ShapeCache* cache = nullptr);

// Acceptance test of a projected location A2 (flag 1 = accepted).
void CHECK(float A0, float B0, float C0, float TS0, float A2, float B2, float C2, float TS2,
           int& flag);

}  // namespace zireze
