// Row thinning: one row in every two to six taken out, the same share of
// every diameter class; the Weibull parameters stay as they were.
#pragma once

namespace zireze {

// f is the share removed.
void ROW(float A0, float B0, float C0, float TS0, float BA0, float f, float& BA1, float& A1,
         float& B1, float& C1, float& TS1);

}  // namespace zireze
