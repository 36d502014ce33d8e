#include "table/tree.h"

#include <cmath>

namespace zireze {

// Tree height from stand age, dominant height, basal area and density. The
// two constants 1.891036 and 0.890695 are separate factors, applied one after
// the other as the height tables were computed.
float HTF(float IDADE, float HD, float BA, float TS, float D) {
  const float p1 = std::pow(BA, -0.146749f);
  const float p2 = std::pow(TS, 0.07548f);
  const float e = std::exp(2.000723f / IDADE - 11.96184f / D);
  return 1.891036f * HD * 0.890695f * p1 * p2 * e;
}

// Taper coefficient b1 of the stem profile (d/D)^2 = b1 (1 - z)^2: the squared
// ratio of the diameter extrapolated to ground level to the diameter at
// breast height. Any bark flag but 0 means the stem with bark.
float CALCA(float D, float H, int bark) {
  if (bark != 0) return 1.008f * std::exp(0.94f / H + 3.79f / D);
  const float t = 0.0573f * H + 0.00455f * D;
  const float p = std::pow(H, -0.718f);
  const float q = std::pow(D, -0.194f);
  return 3.08022f * p * q * std::exp(t);
}

// Lower root of b3 h^2 + b2 H h + (b1 - (dtop/D)^2) H^2 = 0: the height below
// the apex where the profile narrows to dtop. It may lie below the stump or
// below ground; the volume functions test it.
float HTM(float D, float H, float b1, float b2, float b3, float dtop) {
  const float a = b3;
  const float ratio = dtop / D;
  const float c = (b1 - ratio * ratio) * (H * H);
  const float t = b2 * H;
  const float disc = t * t - 4.0f * a * c;
  const float s = std::sqrt(disc);
  return (-(b2 * H) - s) / (2.0f * b3);
}

float HTR(float D, float H, float b1, float b2, float b3, float dtop) {
  return HTM(D, H, b1, b2, b3, dtop);
}

// At dtop 0 the root is the tree top itself: H, with no square root taken.
float HTL(float D, float H, float b1, float b2, float b3, float dtop) {
  if (dtop == 0.0f) return H;
  return HTM(D, H, b1, b2, b3, dtop);
}

namespace {

constexpr float stump = 0.15f;

// Volume (m3) between heights hlo and hhi: the profile integrated over the
// relative height, times the cross-section constant. 0.00007854, not
// pi/40000: the volume tables were calibrated with it. D^2 is formed first,
// then scaled by the constant and by H; the bracket is summed left to right.
float section(float D, float H, float b1, float b2, float b3, float hlo, float hhi) {
  const float r1 = hhi / H - hlo / H;
  const float zhi = hhi / H;
  const float zlo = hlo / H;
  const float r2 = zhi * zhi - zlo * zlo;
  const float r3 = zhi * zhi * zhi - zlo * zlo * zlo;
  const float scale = D * D * 0.00007854f * H;
  return scale * (b1 * r1 + b2 * 0.5f * r2 + b3 / 3.0f * r3);
}

}  // namespace

// The coefficients of every stem: b2 = -2 b1 and b3 = b1 make the profile a
// cone with its apex at the tree top.

float VM(float D, float H, int bark) {
  const float b1 = CALCA(D, H, bark);
  const float b2 = -(b1 + b1);
  const float b3 = b1;
  const float h20 = HTM(D, H, b1, b2, b3, 20.0f);
  if (stump > h20) return 0.0f;
  return section(D, H, b1, b2, b3, stump, h20);
}

// The section below the 7-cm diameter starts where the 20-cm section ends, or
// at the stump when the stem has no 20-cm section (vm is 0).
float VR(float D, float H, float vm, int bark) {
  const float b1 = CALCA(D, H, bark);
  const float b2 = -(b1 + b1);
  const float b3 = b1;
  const float h7 = HTR(D, H, b1, b2, b3, 7.0f);
  if (stump > h7) return 0.0f;
  const float hlo = vm == 0.0f ? stump : HTM(D, H, b1, b2, b3, 20.0f);
  return section(D, H, b1, b2, b3, hlo, h7);
}

float VL(float D, float H, int bark) {
  const float b1 = CALCA(D, H, bark);
  const float b2 = -(b1 + b1);
  const float b3 = b1;
  const float htop = HTL(D, H, b1, b2, b3, 0.0f);
  return section(D, H, b1, b2, b3, stump, htop);
}

}  // namespace zireze
