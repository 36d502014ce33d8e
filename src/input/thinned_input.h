// Input of a stand thinned in the past: by trees per 5-cm class, by the
// Weibull parameters, or by stand attributes. Prompts go to the console, the
// headings and echo lines to the report.
#pragma once

#include "io/reply.h"

namespace zireze {

void ITINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C);
void STINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C);
void WPINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C);
void SAINP(io::Replies& replies, float& TS, float& BA, float& DMIN, float& A, float& B, float& C);

}  // namespace zireze
