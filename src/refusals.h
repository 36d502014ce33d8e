// Values the model cannot use. Each check returns the reason a value is
// refused, in the words every front end shows (the dialogue after "VALOR NAO
// ACEITE: "), or null when the value can be used.
#pragma once

#include <span>

namespace zireze {

const char* age_refusal(float IDADE);
// Neither a site class nor a dominant height above zero.
const char* site_refusal(float SI, float HD);
// None of live trees, basal area and trees planted above zero.
const char* density_refusal(float TS, float BA, float TP);
// Not above zero, or above the current basal area BA0. Equal to it is taken.
const char* residual_refusal(float residual, float BA0);
// Below the current age IDADE0. Equal to it is taken.
const char* projection_age_refusal(float IDADE2, float IDADE0);
// Counts by class without a tree.
const char* counts_refusal(std::span<const float> RN);
// The trees, scale and shape of the Weibull input; the trees and basal area
// of the attributes input.
const char* positive_refusal(float x);
// The Weibull location; the minimum diameter of the attributes input.
const char* negative_refusal(float x);
// P90 not above the minimum diameter.
const char* p90_refusal(float P90, float DMIN);

}  // namespace zireze
