#include "vector_level.h"

namespace codesniff {
namespace {

VectorLevel askProcessor() {
#if defined(__x86_64__) || defined(__i386__)
  // The features must be read first when this runs before the runtime's own initialisation.
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("ssse3") || !__builtin_cpu_supports("popcnt"))
    return VectorLevel::None;
  if (!__builtin_cpu_supports("avx2")) return VectorLevel::Ssse3;
  if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512bw") ||
      !__builtin_cpu_supports("avx512vbmi") || !__builtin_cpu_supports("avx512vbmi2"))
    return VectorLevel::Avx2;
  return VectorLevel::Avx512;
#else
  return VectorLevel::None;
#endif
}

}  // namespace

VectorLevel processorVectorLevel() {
  static const VectorLevel level = askProcessor();
  return level;
}

}  // namespace codesniff
