#include "controller/window_list_file.h"

#include <sstream>

namespace zelvane {

namespace {

constexpr const char* kTrailerMark = "zelvane-window-list 2";

// The system's clock may be corrected while it runs; a boot time computed
// from it moves with the correction.
constexpr std::int64_t kBootTimeSlackSeconds = 60;

std::string withoutCarriageReturn(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void readTrailerLine(const std::string& line, WindowListFile& file, std::map<WindowId, std::string>& classes) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "session") {
        SessionStamp s;
        if (in >> s.logon >> s.bootTime >> s.uptimeMs) file.session = s;
    } else if (key == "screen") {
        ScreenMetrics m;
        if (in >> m.virtualLeft >> m.virtualTop >> m.virtualWidth >> m.virtualHeight && m.virtualWidth > 0 &&
            m.virtualHeight > 0)
            file.screen = m;
    } else if (key == "class") {
        WindowId w = kNoWindow;
        if (!(in >> w)) return;
        in.get();  // the one blank before the name
        std::string name;
        std::getline(in, name);
        classes[w] = name;
    }
    // Lines of later versions are passed over.
}

}  // namespace

std::string formatWindowList(const std::map<WindowId, WndInfo>& windows, const SessionStamp& session,
                             const ScreenMetrics& screen) {
    std::ostringstream text;
    for (const auto& [w, info] : windows)
        if (info.managed) text << info.toText() << '\n';
    text << kTrailerMark << '\n';
    text << "session " << session.logon << ' ' << session.bootTime << ' ' << session.uptimeMs << '\n';
    text << "screen " << screen.virtualLeft << ' ' << screen.virtualTop << ' ' << screen.virtualWidth << ' '
         << screen.virtualHeight << '\n';
    for (const auto& [w, info] : windows) {
        if (!info.managed) continue;
        std::string name = info.className;
        for (char& c : name)
            if (c == '\n' || c == '\r') c = ' ';
        text << "class " << w << ' ' << name << '\n';
    }
    return text.str();
}

WindowListFile parseWindowList(const std::string& text) {
    WindowListFile file;
    std::map<WindowId, std::string> classes;
    std::istringstream in(text);
    std::string raw;
    bool inTrailer = false;
    bool damaged = false;
    while (std::getline(in, raw)) {
        const std::string line = withoutCarriageReturn(raw);
        if (line == kTrailerMark) {
            inTrailer = true;
            continue;
        }
        if (inTrailer) {
            readTrailerLine(line, file, classes);
            continue;
        }
        if (damaged) continue;  // only a trailer may follow: it still tells whose windows these were
        if (auto record = WndInfo::fromText(line)) {
            file.records.push_back(std::move(*record));
        } else {
            damaged = true;
            file.complete = false;
        }
    }
    for (WndInfo& record : file.records) {
        const auto it = classes.find(record.hwnd);
        if (it != classes.end()) record.className = it->second;
    }
    return file;
}

bool sameSystemRun(const SessionStamp& then, const SessionStamp& now) {
    if (then.logon != now.logon) return false;
    if (now.uptimeMs < then.uptimeMs) return false;  // the system started again since
    const std::int64_t drift = now.bootTime - then.bootTime;
    return drift <= kBootTimeSlackSeconds && drift >= -kBootTimeSlackSeconds;
}

}  // namespace zelvane
