#include "app/companion_restarts.h"

namespace zelvane {

bool CompanionRestarts::restartAfterEnd(bool deliberate, std::uint64_t nowMs) {
    if (deliberate) return false;
    while (!recent_.empty() && nowMs - recent_.front() >= kWindowMs) recent_.pop_front();
    if (recent_.size() >= static_cast<std::size_t>(kMaxRestarts)) return false;
    recent_.push_back(nowMs);
    return true;
}

}  // namespace zelvane
