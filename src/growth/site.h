// The site-index curve: site class SI (dominant height at the base age of
// 50 years) and dominant height HD at any age, each from the other.
#pragma once

namespace zireze {

float SF(float IDADE, float HD);     // site class of a stand of age IDADE and dominant height HD
float HTDCF(float IDADE, float SI);  // dominant height at age IDADE for site class SI

}  // namespace zireze
