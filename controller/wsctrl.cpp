#include "controller/wsctrl.h"

#include <utility>

namespace zelvane {

WSController::WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings,
                           std::vector<std::string> systemClasses)
    : WSController(std::move(desktop), settings, std::move(systemClasses), Activator::Options{}) {}

WSController::WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings,
                           std::vector<std::string> systemClasses, Activator::Options activationOptions,
                           PlacementExecutor::Options placementOptions)
    : settings_(settings),
      executor_(desktop, std::move(placementOptions)),
      model_(settings.values(), std::move(systemClasses)),
      wallpaper_(settings, model_),
      activator_(desktop, executor_.inFlightQuery(), activationOptions) {
    model_.setMetrics(executor_.metrics());
}

WSController::~WSController() = default;

Snapshot WSController::placingSnapshot(unsigned extra) const {
    return executor_.snapshot([this, extra](WindowId w) { return model_.readsForPlacing(w) | extra; });
}

void WSController::carryOut(const Plan& plan) {
    const std::vector<WindowId> refused = model_.noteRefused(executor_.carryOut(plan));
    if (plan.focus != kNoWindow) activator_.activate(plan.focus);
    if (!refused.empty() && onRefused_) onRefused_(refused);
}

bool WSController::waitIdle(std::chrono::milliseconds timeout) {
    const bool activated = activator_.waitIdle(timeout);
    return listWriter_.flush(timeout) && activated;
}

void WSController::updateMetrics() {
    carryOut(model_.planDisplayChange(placingSnapshot(), executor_.metrics()));
    saveWindowList();
}

void WSController::gridChanged() {
    // An open preview pictures the grid it began with; its end fits the
    // windows into the grid of then.
    if (previewActive_) return;
    carryOut(model_.planGridChange(placingSnapshot()));
    saveWindowList();
}

void WSController::releaseAll() {
    // Posted, not waited for: a program that does not answer shows its
    // window once it answers again, even after we are gone.
    previewActive_ = false;
    carryOut(model_.planRelease(placingSnapshot()));
    removeWindowListFile();
}

// ---- the preview's side ----

bool WSController::enterPreview() {
    if (previewActive_) return false;
    // The taskbar order of the workspace being left, before the preview
    // shows windows of every workspace.
    if (settings().keepTrayOrder) saveTrayOrder();
    previewActive_ = true;
    return true;
}

PreviewPlan WSController::beginPreview(WindowId view) {
    PreviewPlan plan = model_.planPreviewBegin(placingSnapshot(kReadPreviewTraits), view);
    saveWindowList();
    carryOut(plan);
    return plan;
}

PreviewRefresh WSController::refreshPreview(WindowId view) {
    PreviewRefresh refresh =
        model_.planPreviewRefresh(executor_.snapshot([this](WindowId w) { return model_.readsForRefresh(w); }), view);
    if (!refresh.placements.empty() || !refresh.added.empty()) carryOut(refresh);
    return refresh;
}

bool WSController::endPreview(std::int32_t row, std::int32_t col) {
    if (!previewActive_) return false;
    const std::int32_t oldRow = currentRow();
    const std::int32_t oldCol = currentCol();
    carryOut(model_.planPreviewEnd(placingSnapshot(), row, col));
    saveWindowList();
    previewActive_ = false;
    // What a switch puts back besides the windows: the volume, the wallpaper
    // and the taskbar order of the workspace chosen.
    if (settings().keepMixerControl) switchVolume(oldRow, oldCol, currentRow(), currentCol());
    wallpaper_.apply(-1, -1);
    enterWorkspace();
    return true;
}

}  // namespace zelvane
