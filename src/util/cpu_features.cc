#include "util/cpu_features.h"

#include <atomic>

namespace {

bool runs(KernelKind kind) {
  switch (kind) {
    case KernelKind::Portable:
      return true;
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
    case KernelKind::Avx2:
      __builtin_cpu_init();  // may run before the constructors that would call it
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    case KernelKind::Avx512:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("popcnt");
#endif
    default:
      return false;
  }
}

KernelKind widest() {
  static const KernelKind kind = availableKernels().back();
  return kind;
}

std::atomic<int> chosen{-1};  // the KernelKind chosen, or -1 for the widest

}  // namespace

std::vector<KernelKind> availableKernels() {
  std::vector<KernelKind> kinds;
  for (KernelKind kind : {KernelKind::Portable, KernelKind::Avx2, KernelKind::Avx512}) {
    if (runs(kind)) kinds.push_back(kind);
  }
  return kinds;
}

KernelKind activeKernel() {
  const int kind = chosen.load(std::memory_order_relaxed);
  return kind >= 0 ? static_cast<KernelKind>(kind) : widest();
}

void useKernel(KernelKind kind) {
  const KernelKind runnable = runs(kind) ? kind : KernelKind::Portable;
  chosen.store(static_cast<int>(runnable), std::memory_order_relaxed);
}

void useDefaultKernel() { chosen.store(-1, std::memory_order_relaxed); }
