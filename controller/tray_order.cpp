#include "controller/tray_order.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace zelvane {

namespace {

// A header (or none, for buttons before the first header, or on a taskbar
// without headers) and its buttons, as indices into the list read.
struct Segment {
    std::optional<std::size_t> header;
    std::vector<std::size_t> buttons;
    std::optional<std::size_t> rank;  // the first saved position of its windows
};

std::vector<Segment> segmentsOf(const std::vector<WindowId>& current, bool headers) {
    std::vector<Segment> out;
    for (std::size_t i = 0; i < current.size(); ++i) {
        if (current[i] == kNoWindow)
            out.push_back(Segment{i, {}, std::nullopt});
        else if (!headers || out.empty())
            out.push_back(Segment{std::nullopt, {i}, std::nullopt});  // alone, or the first torn button
        else
            out.back().buttons.push_back(i);
    }
    return out;
}

// A group that got back buttons torn from it: its buttons do not follow its
// header one after the other.
bool mended(const Segment& seg) {
    if (!seg.header) return false;
    for (std::size_t k = 0; k < seg.buttons.size(); ++k)
        if (seg.buttons[k] != *seg.header + 1 + k) return true;
    return false;
}

}  // namespace

void moveToFront(std::vector<WindowId>& buttons, std::size_t index) {
    if (index >= buttons.size()) return;
    std::rotate(buttons.begin(), buttons.begin() + static_cast<std::ptrdiff_t>(index),
                buttons.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

TrayReorder planTrayReorder(const std::vector<WindowId>& saved, const std::vector<WindowId>& current) {
    TrayReorder plan;
    // Each saved window's rank (a window saved twice counts where it was
    // first seen) and the saved group it was in (its own without headers).
    std::unordered_map<WindowId, std::size_t> rank, savedGroup;
    const bool savedHeaders = std::find(saved.begin(), saved.end(), kNoWindow) != saved.end();
    std::size_t group = 0;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] == kNoWindow) {
            ++group;
            continue;
        }
        if (rank.emplace(saved[i], rank.size()).second) savedGroup[saved[i]] = savedHeaders ? group : i;
    }
    const auto groupOf = [&](std::size_t i) -> std::optional<std::size_t> {
        const auto it = savedGroup.find(current[i]);
        return it == savedGroup.end() ? std::nullopt : std::optional<std::size_t>(it->second);
    };

    const bool headers = std::find(current.begin(), current.end(), kNoWindow) != current.end();
    std::vector<Segment> segments = segmentsOf(current, headers);
    if (headers) {
        // Torn buttons: those before every header, and those behind the
        // header of another saved group than the group's first button.
        std::vector<std::size_t> torn;
        if (!segments.empty() && !segments.front().header) {
            torn = std::move(segments.front().buttons);
            segments.erase(segments.begin());
        }
        if (savedHeaders) {
            for (Segment& seg : segments) {
                std::optional<std::size_t> owner;
                std::vector<std::size_t> kept;
                for (std::size_t i : seg.buttons) {
                    const auto g = groupOf(i);
                    if (g && owner && *g != *owner) {
                        torn.push_back(i);
                        continue;
                    }
                    if (g && !owner) owner = g;
                    kept.push_back(i);
                }
                seg.buttons = std::move(kept);
            }
        }
        // Each goes back to the group that holds a window it was saved
        // with, or else, with the rest of its saved group, behind a header
        // left without buttons.
        std::vector<std::pair<std::optional<std::size_t>, std::vector<std::size_t>>> homeless;
        for (std::size_t i : torn) {
            const auto g = groupOf(i);
            Segment* home = nullptr;
            for (Segment& seg : segments)
                for (std::size_t j : seg.buttons)
                    if (g && groupOf(j) == g) home = &seg;
            if (home) {
                home->buttons.push_back(i);
                continue;
            }
            const auto same = std::find_if(homeless.begin(), homeless.end(),
                                           [&](const auto& h) { return g && h.first == g; });
            if (same != homeless.end())
                same->second.push_back(i);
            else
                homeless.push_back({g, {i}});
        }
        for (auto& [g, buttons] : homeless) {
            const auto empty = std::find_if(segments.begin(), segments.end(),
                                            [](const Segment& seg) { return seg.header && seg.buttons.empty(); });
            if (empty != segments.end()) {
                empty->buttons = std::move(buttons);
            } else {
                plan.whole = false;
                for (std::size_t i : buttons) segments.push_back(Segment{std::nullopt, {i}, std::nullopt});
            }
        }
    }

    // The groups of saved windows in saved order, then any group mended
    // above; everything else stays behind as it is.
    for (Segment& seg : segments)
        for (std::size_t i : seg.buttons)
            if (const auto r = rank.find(current[i]); r != rank.end() && (!seg.rank || r->second < *seg.rank))
                seg.rank = r->second;
    std::stable_sort(segments.begin(), segments.end(), [](const Segment& a, const Segment& b) {
        return a.rank.value_or(SIZE_MAX) < b.rank.value_or(SIZE_MAX);
    });
    std::vector<std::size_t> front;  // indices into `current`, in the order wanted
    for (const Segment& seg : segments) {
        if (!seg.rank && !mended(seg)) continue;
        if (seg.header) front.push_back(*seg.header);
        front.insert(front.end(), seg.buttons.begin(), seg.buttons.end());
    }

    // Moves to the front, last first; what already leads the taskbar in the
    // wanted order stays where it is.
    std::vector<std::size_t> at(current.size());
    for (std::size_t i = 0; i < at.size(); ++i) at[i] = i;
    std::size_t inPlace = 0;
    for (std::size_t k = front.size(); k > 0; --k) {
        if (std::equal(front.end() - static_cast<std::ptrdiff_t>(k), front.end(), at.begin())) {
            inPlace = k;
            break;
        }
    }
    for (std::size_t k = front.size() - inPlace; k-- > 0;) {
        const std::size_t index =
            static_cast<std::size_t>(std::find(at.begin(), at.end(), front[k]) - at.begin());
        plan.moves.push_back(index);
        std::rotate(at.begin(), at.begin() + static_cast<std::ptrdiff_t>(index),
                    at.begin() + static_cast<std::ptrdiff_t>(index) + 1);
    }
    return plan;
}

std::vector<WindowId> savedAmong(const std::vector<WindowId>& wanting, const std::vector<WindowId>& saved) {
    const std::unordered_set<WindowId> inSaved(saved.begin(), saved.end());
    std::vector<WindowId> out;
    for (WindowId w : wanting)
        if (inSaved.count(w)) out.push_back(w);
    return out;
}

bool taskbarHasAll(const std::vector<WindowId>& buttons, const std::vector<WindowId>& wanting) {
    const std::unordered_set<WindowId> have(buttons.begin(), buttons.end());
    return std::all_of(wanting.begin(), wanting.end(), [&](WindowId w) { return have.count(w) != 0; });
}

std::optional<std::size_t> buttonsToRead(std::int64_t reported, std::size_t maxButtons) {
    if (reported < 0 || static_cast<std::uint64_t>(reported) > maxButtons) return std::nullopt;
    return static_cast<std::size_t>(reported);
}

std::optional<std::chrono::milliseconds> CallBudget::nextCall(Clock::time_point now) const {
    if (now >= end_) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - now);
    if (left.count() < 1) return std::nullopt;
    return std::min(perCall_, left);
}

int shellPointerBytes(int ourPointerBytes, bool weRunUnderWow64, bool shellRunsUnderWow64) {
    const bool system64 = ourPointerBytes == 8 || weRunUnderWow64;
    if (!system64) return 4;
    return shellRunsUnderWow64 ? 4 : 8;
}

}  // namespace zelvane
