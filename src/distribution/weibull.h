// The gamma function and the three-parameter Weibull distribution of
// diameters (location A, scale B, shape C).
#pragma once

namespace zireze {

float GAMMA(float x);                            // writes an error line to the report for x <= 0
float DQF(float A, float B, float C);            // quadratic mean diameter, cm
float WPDF(float A, float B, float C, float X);  // density at diameter X, per cm
float WCDF(float A, float B, float C, float X);  // share of trees below diameter X

}  // namespace zireze
