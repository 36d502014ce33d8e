// A stand thinned in the past, described by trees per 5-cm class, by the
// Weibull parameters, or by stand attributes: the six values that follow
// (TS, BA, DMIN, A, B, C).
#pragma once

#include <span>

// Relative to this file, so that the installed header finds its neighbour.
#include "../distribution/weibull.h"

namespace zireze {

// The most classes the counts can have: the last is centred on 250 cm.
constexpr int kMostClasses = 50;

// The trees of the counts, summed class by class.
float total_trees(std::span<const float> RN);

// RN: trees per ha in the classes entered, class i (from 1) centred on 5i cm,
// at most kMostClasses of them. The counts must hold trees (total_trees > 0).
void STINP(std::span<const float> RN, float& TS, float& BA, float& DMIN, float& A, float& B,
           float& C);

// TS, A, B, C typed; DMIN and BA follow. The gamma function's complaints, if
// any, are added to `complaints`.
void WPINP(float TS, float A, float B, float C, float& BA, float& DMIN,
           GammaComplaints* complaints = nullptr);

// TS, BA, DMIN and P90 typed; A, B, C follow.
void SAINP(float TS, float BA, float DMIN, float P90, float& A, float& B, float& C);

}  // namespace zireze
