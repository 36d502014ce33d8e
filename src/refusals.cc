#include "refusals.h"

#include "input/thinned_input.h"

namespace zireze {

const char* age_refusal(float IDADE) {
  return IDADE > 0.0f ? nullptr : "A IDADE TEM DE SER MAIOR QUE ZERO";
}

const char* site_refusal(float SI, float HD) {
  if (SI > 0.0f || HD > 0.0f) return nullptr;
  return "INDIQUE CLASSE DE QUALIDADE OU ALTURA DOMINANTE MAIOR QUE ZERO";
}

const char* density_refusal(float TS, float BA, float TP) {
  if (TS > 0.0f || BA > 0.0f || TP > 0.0f) return nullptr;
  return "INDIQUE ARVORES VIVAS, AREA BASAL OU ARVORES PLANTADAS MAIOR QUE ZERO";
}

// A current basal area that is not a number lets any positive residual
// through, rather than refuse every one.
const char* residual_refusal(float residual, float BA0) {
  if (residual > 0.0f && !(residual > BA0)) return nullptr;
  return "A AREA BASAL RESIDUAL TEM DE SER MAIOR QUE ZERO E NAO SUPERIOR A ACTUAL";
}

const char* projection_age_refusal(float IDADE2, float IDADE0) {
  if (IDADE2 >= IDADE0) return nullptr;
  return "A IDADE DE PROJECCAO NAO PODE SER INFERIOR A IDADE ACTUAL";
}

const char* counts_refusal(std::span<const float> RN) {
  return total_trees(RN) > 0.0f ? nullptr : "NENHUMA CLASSE DE DIAMETRO TEM ARVORES";
}

const char* positive_refusal(float x) { return x > 0.0f ? nullptr : "TEM DE SER MAIOR QUE ZERO"; }

const char* negative_refusal(float x) { return x < 0.0f ? "NAO PODE SER NEGATIVO" : nullptr; }

const char* p90_refusal(float P90, float DMIN) {
  return P90 > DMIN ? nullptr : "TEM DE SER MAIOR QUE O DIAMETRO MINIMO";
}

}  // namespace zireze
