// The stand table by 5-cm diameter class, written to the console and the report.
#pragma once

#include "io/layout.h"

namespace zireze {

void STABLE(float T, float HD, float TS, float BA, float A, float B, float C, int bark);

// One class line: the class centre (cm), trees per ha, basal area (m2/ha),
// height (m), and total, roundwood and sawlog volumes (m3/ha).
io::Layout class_row(int centre, float n, float g, float h, float vtot, float vrol, float vmad);

// Basal area (m2/ha) between diameters lo and hi: Simpson's rule on FBA.
float BADAP(float lo, float hi, float N, float A, float B, float C);

// Basal-area density at diameter x, m2/ha per cm.
float FBA(float A, float B, float C, float N, float x);

}  // namespace zireze
