// The gamma function and the three-parameter Weibull distribution of
// diameters (location A, scale B, shape C).
#pragma once

namespace zireze {

// The arguments of zero or less that GAMMA was given while a result was
// worked out. GAMMA cannot take them and returns NaN; whoever shows the result
// says so (the dialogue writes one line to its report for each). A result
// calls GAMMA twice at most, so two arguments are kept.
struct GammaComplaints {
  int count = 0;
  float arguments[2] = {};
};

float GAMMA(float x, GammaComplaints* complaints = nullptr);
float DQF(float A, float B, float C,
          GammaComplaints* complaints = nullptr);  // quadratic mean diameter, cm
float WPDF(float A, float B, float C, float X);    // density at diameter X, per cm
float WCDF(float A, float B, float C, float X);    // share of trees below diameter X

}  // namespace zireze
