// Per-tree functions of the stand table: tree height, stem taper, the height
// at a top diameter and the three assortment volumes above a 0.15 m stump.
#pragma once

namespace zireze {

float HTF(float IDADE, float HD, float BA, float TS, float D);  // tree height, m
float CALCA(float D, float H, int bark);                        // taper coefficient b1

// Height (m) at which the stem diameter equals dtop; one operation under three names.
float HTM(float D, float H, float b1, float b2, float b3, float dtop);
float HTR(float D, float H, float b1, float b2, float b3, float dtop);
float HTL(float D, float H, float b1, float b2, float b3, float dtop);  // H when dtop is 0

float VM(float D, float H, int bark);            // stump to the 20-cm diameter, m3
float VR(float D, float H, float vm, int bark);  // up to the 7-cm diameter, m3
float VL(float D, float H, int bark);            // stump to the tree top, m3

}  // namespace zireze
