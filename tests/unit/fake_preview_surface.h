#pragma once
// A preview surface that records what the controller asks of it.
#include <map>
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
    std::vector<WindowId> drawOrder;
    std::vector<Thumbnail> thumbnails;
    std::vector<Rect> backgrounds;
    std::vector<Rect> presented;
    bool canvas = false;
    int taskbarShows = 0;

    bool compositionEnabled() override { return composition; }
    bool createCanvas(WindowId, const CanvasLayout&) override { return canvas = !canvasFails; }
    void destroyCanvas() override { canvas = false; }
    void paintBackground(const Rect& r) override { backgrounds.push_back(r); }
    void present(const Rect& r) override { presented.push_back(r); }
    void coverWithDesktop() override {}
    void addSource(WindowId w) override { sources.insert(w); }
    void dropSource(WindowId w) override { sources.erase(w); }
    void dropAllSources() override { sources.clear(); }
    bool capture(WindowId w) override {
        captures.push_back(w);
        return true;
    }
    void drawSource(WindowId w, const Rect& r) override {
        drawn[w] = r;
        drawOrder.push_back(w);
    }
    void updateThumbnail(WindowId w, const Rect& r, bool reRegister, std::uint32_t slot) override {
        thumbnails.push_back({w, r, reRegister, slot});
    }
    void showTaskbar() override { ++taskbarShows; }
};

}  // namespace zelvane::testing
