#include "core/imaging/PictureMemory.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>

#include "core/base/Error.h"
#include "core/imaging/PictureLimits.h"

namespace fotoloom {
namespace {

constexpr uint64_t kMinimumBudget = uint64_t{1} << 30;

uint64_t DefaultBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGE_SIZE);
  const uint64_t machine = pages > 0 && page_size > 0
                               ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size)
                               : 0;
  return std::max(machine / 2, kMinimumBudget);
}

struct TBudget {
  std::mutex mutex;
  std::condition_variable released;
  uint64_t limit = 0;  // 0: not yet set
  uint64_t held = 0;

  uint64_t Limit() {
    if (limit == 0) limit = DefaultBudget();
    return limit;
  }
};

TBudget& Budget() {
  static TBudget budget;
  return budget;
}

thread_local TPictureMemoryScope* t_scope = nullptr;

}  // namespace

uint64_t PictureMemoryBudget() {
  TBudget& budget = Budget();
  const std::lock_guard lock(budget.mutex);
  return budget.Limit();
}

void SetPictureMemoryBudget(uint64_t bytes) {
  TBudget& budget = Budget();
  {
    const std::lock_guard lock(budget.mutex);
    budget.limit = bytes;
  }
  budget.released.notify_all();
}

TPictureMemoryScope::TPictureMemoryScope() : m_outer(t_scope) {
  t_scope = this;
}

TPictureMemoryScope::~TPictureMemoryScope() {
  t_scope = m_outer;
  if (m_reserved == 0) return;
  TBudget& budget = Budget();
  {
    const std::lock_guard lock(budget.mutex);
    budget.held -= m_reserved;
  }
  budget.released.notify_all();
}

void ReservePictureMemory(int64_t width, int64_t height) {
  CheckPictureSize(width, height);
  TPictureMemoryScope* scope = t_scope;
  if (!scope || scope->m_used) return;
  scope->m_used = true;
  const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
  if (bytes == 0) return;
  TBudget& budget = Budget();
  std::unique_lock lock(budget.mutex);
  if (bytes > budget.Limit()) {
    throw Error("Picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                " pixels)");
  }
  budget.released.wait(lock, [&] { return budget.held + bytes <= budget.Limit(); });
  budget.held += bytes;
  scope->m_reserved = bytes;
}

}  // namespace fotoloom
