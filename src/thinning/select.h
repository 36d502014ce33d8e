// Selective thinning down to a residual basal area BA1.
#pragma once

namespace zireze {

// Writes "DESBASTE SELECTIVO : AREA BASAL RESIDUAL = ..." to the report and
// clears the unthinned flag.
void SELECT(float A0, float B0, float C0, float TS0, float BA0, float DMIN0, int& unthinned,
            float BA1, float& A1, float& B1, float& C1, float& TS1);

}  // namespace zireze
