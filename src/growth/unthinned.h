// Unthinned stand: completes a stand never thinned from its age, its site and
// one density figure (live trees TS, basal area BA or trees planted TP).
#pragma once

namespace zireze {

// A quantity counts as given when it is greater than zero. SI, HD, TS, BA, TP
// are completed in place; DMIN, A, B, C are written.
void USTAND(float IDADE, float& SI, float& HD, float& TS, float& BA, float& TP, float& DMIN,
            float& A, float& B, float& C);

}  // namespace zireze
