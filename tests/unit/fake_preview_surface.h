#pragma once
// A preview surface that records what the controller asks of it.
#include <map>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <vector>

#include "preview/preview_surface.h"

namespace zelvane::testing {

class FakePreviewSurface : public PreviewSurface {
public:
    struct Thumbnail {
        WindowId w;
        Rect rect;
        bool reRegister;
        std::uint32_t slot;
    };

    bool composition = false;
    bool canvasFails = false;

    std::set<WindowId> sources;
    std::vector<WindowId> captures;
    std::map<WindowId, Rect> drawn;
    std::map<WindowId, std::optional<Rect>> drawnFrom;  // the still picture's part it was drawn from
    std::vector<WindowId> drawOrder;
    std::vector<Thumbnail> thumbnails;
    std::vector<Rect> backgrounds;
    std::vector<std::vector<Rect>> updates;  // the area of each canvas update
    std::vector<Rect> presented;
    std::vector<std::string> covers;  // the wallpaper of each cover ("" the desktop's)
    std::vector<WindowId> fresh;      // handed out by the next freshPictures
    bool canvas = false;
    bool frozen = false;
    std::vector<Rect> frozenAt;  // where each still copy was put
    int taskbarShows = 0;

    bool compositionEnabled() override { return composition; }
    bool freezeScreen(WindowId, const Rect&) override { return frozen = true; }
    void presentFrozen(const Rect& r) override { frozenAt.push_back(r); }
    bool createCanvas(WindowId, const CanvasLayout&) override { return canvas = !canvasFails; }
    void destroyCanvas() override { canvas = frozen = false; }
    void beginCanvasUpdate(const std::vector<Rect>& area) override { updates.push_back(area); }
    void paintBackground(const Rect& r) override { backgrounds.push_back(r); }
    void drawSource(WindowId w, const Rect& r, const std::optional<Rect>& from) override {
        drawn[w] = r;
        drawnFrom[w] = from;
        drawOrder.push_back(w);
    }
    void endCanvasUpdate() override {}
    void present(const Rect& r) override { presented.push_back(r); }
    void coverWithDesktop(const std::string& wallpaper) override { covers.push_back(wallpaper); }
    void addSource(WindowId w) override { sources.insert(w); }
    void dropSource(WindowId w) override { sources.erase(w); }
    void dropAllSources() override { sources.clear(); }
    bool capture(WindowId w) override {
        captures.push_back(w);
        return true;
    }
    std::vector<WindowId> freshPictures() override { return std::exchange(fresh, {}); }
    void updateThumbnail(WindowId w, const Rect& r, bool reRegister, std::uint32_t slot) override {
        thumbnails.push_back({w, r, reRegister, slot});
    }
    void hideTaskbar(const std::string&) override {}
    void showTaskbar() override { ++taskbarShows; }
};

}  // namespace zelvane::testing
