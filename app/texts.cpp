// The program's user-interface texts. This file is UTF-8; the strings are
// converted to UTF-16 where they meet the system.
#include "app/texts.h"

#include "app/version.h"

namespace zelvane {

namespace {

// U+3000, the ideographic space: spelled out so it cannot pass for a blank.
#define ZELVANE_IDEOGRAPHIC_SPACE "\xE3\x80\x80"

// Each table is built on first use, so it is ready whenever it is first asked for.
const UiTexts& english() {
    static const UiTexts texts{
        {{
            "Fullscreen Preview",  // 0 item 100027
            "Change the num of workspaces",  // 1 submenu
            "Add a row",  // 2 item 5
            "Del a row",  // 3 item 6
            "Add a column",  // 4 item 7
            "Del a column",  // 5 item 8
            "Config",  // 6 submenu
            "Modifier keys to change WS (and SPACE: preview mode) ...",  // 7 submenu
            "ALT",  // 8 item 9
            "CTRL",  // 9 item 10
            "SHIFT",  // 10 item 11
            "WIN",  // 11 item 12
            "Modifier keys to change WS with the focused window ...",  // 12 submenu
            "ALT",  // 13 item 13
            "CTRL",  // 14 item 14
            "SHIFT",  // 15 item 15
            "WIN",  // 16 item 16
            "Key bindings ...",  // 17 submenu
            "Cursor keys [left down up right]",  // 18 item 17
            "vi [h j k l]",  // 19 item 18
            "emacs [b n p f]",  // 20 item 19
            "Wallpapers ...",  // 21 submenu
            "default",  // 22 item 20
            "individual view",  // 23 item 21
            "distant view",  // 24 item 22
            "Loop the screen end",  // 25 item 23
            "Show the control window by placing the mouse at the edge of the screen",  // 26 item 24
            "Skip the animation of switching workspace",  // 27 item 25
            "Change WS by moving a window at the edge of the screen (32bit Apps only)",  // 28 item 26
            "Set mixer Volume individually in each workspace",  // 29 item 27
            "Enable left-click + right-click controls",  // 30 item 28
            "Use single-click to select workspace",  // 31 item 29
            "Register a window class to always display",  // 32 item 2
            "Save the current wallpaper",  // 33 item 4
            "Language",  // 34 submenu
            "English",  // 35 item 30
            "日本語",  // 36 item 31
            "Help",  // 37 item 1
            "Exit",  // 38 item 0
        }},
        "Exit Zelvane?",
        {{
            "Drag and drop <- to an object window with the left mouse-button.",
            "With the right mouse-button, it will be canceled.",
            "To stop this operation, please return it here.",
        }},
        "Zelvane ver." ZELVANE_VERSION_TEXT "\n"
        "\n"
        "Change the workspace: Alt + Shift + Cursor keys\n"
        "Change the workspace with the focused window: Alt + Win + Cursor keys\n"
        "Preview: Alt + Shift + Space  or  Double-Click tray-icon\n"
        "Move a window on preview mode: Drag by right mouse-button",
        "Restart as administrator",
        "Windows that stay on every workspace",
        "Zelvane may not move the windows of a program running as administrator, so these stay on every "
        "workspace: {windows}. Choose \"Restart as administrator\" in the menu to manage them too.",
    };
    return texts;
}

const UiTexts& japanese() {
    static const UiTexts texts{
        {{
            "全画面プレビュー",  // 0 item 100027
            "ワークスペース数を変更",  // 1 submenu
            "行を増やす",  // 2 item 5
            "行を減らす",  // 3 item 6
            "列を増やす",  // 4 item 7
            "列を減らす",  // 5 item 8
            "設定",  // 6 submenu
            "ワークスペース移動の修飾キー （＋ SPACE でプレビューモード）...",  // 7 submenu
            "ALT",  // 8 item 9
            "CTRL",  // 9 item 10
            "SHIFT",  // 10 item 11
            "WIN",  // 11 item 12
            "作業中のウィンドウと一緒に移動...",  // 12 submenu
            "ALT",  // 13 item 13
            "CTRL",  // 14 item 14
            "SHIFT",  // 15 item 15
            "WIN",  // 16 item 16
            "キーバインド...",  // 17 submenu
            "カーソルキー [←↓↑→]",  // 18 item 17
            "vi [h j k l]",  // 19 item 18
            "emacs [b n p f]",  // 20 item 19
            "壁紙の設定...",  // 21 submenu
            "デフォルト",  // 22 item 20
            "個別指定",  // 23 item 21
            "遠景",  // 24 item 22
            "ワークスペース端をループさせる",  // 25 item 23
            "マウスカーソルを画面端に持っていくと操作ウィンドウ表示",  // 26 item 24
            "画面遷移時のアニメーションをスキップ",  // 27 item 25
            "ウィンドウを画面端に持っていくとWS移動（32bitアプリのみ）",  // 28 item 26
            "音量設定をワークスペース毎に独立させる",  // 29 item 27
            "左クリック＋右クリック コントロール有効",  // 30 item 28
            "シングルクリックでWS選択",  // 31 item 29
            "常に表示するクラスを登録",  // 32 item 2
            "現在の壁紙を記憶",  // 33 item 4
            "言語",  // 34 submenu
            "EngLish",  // 35 item 30
            "日本語",  // 36 item 31
            "ヘルプ",  // 37 item 1
            "終了",  // 38 item 0
        }},
        "Zelvaneを終了してよろしいですか？",
        {{
            "←を対象ウィンドウにドラッグ＆ドロップ",
            "左ボタンで行うと登録、右ボタンだと解除",
            "ここに戻すとキャンセル",
        }},
        "Zelvane ver." ZELVANE_VERSION_TEXT "\n"
        "\n"
        "ワークスペース移動： Alt + Shift + [←↓↑→]\n"
        "作業中のウィンドウと一緒に移動： Alt + Win + [←↓↑→]\n"
        "プレビュー： Alt + Shift + Space" ZELVANE_IDEOGRAPHIC_SPACE "or" ZELVANE_IDEOGRAPHIC_SPACE "トレイアイコンをダブルクリック\n"
        "プレビュー中のウィンドウ移動： 左 or 右マウスボタンでドラッグ",
        "管理者として再起動",
        "すべてのワークスペースに残るウィンドウ",
        "管理者として実行中のプログラムのウィンドウは Zelvane から移動できないため、次のウィンドウは"
        "すべてのワークスペースに表示されたままになります: {windows}。メニューの「管理者として再起動」で"
        "管理できるようになります。",
    };
    return texts;
}

#undef ZELVANE_IDEOGRAPHIC_SPACE

}  // namespace

const UiTexts& uiTexts(const std::string& language) {
    return language == "japanese" ? japanese() : english();
}

std::string refusedMessage(const UiTexts& texts, const std::vector<std::string>& windows) {
    constexpr std::size_t kNamed = 3;
    const bool inJapanese = &texts == &japanese();
    std::string names;
    for (std::size_t i = 0; i < windows.size() && i < kNamed; ++i) {
        if (i > 0) names += inJapanese ? "、" : ", ";
        names += (inJapanese ? "「" : "\"") + windows[i] + (inJapanese ? "」" : "\"");
    }
    if (windows.size() > kNamed) {
        const std::string more = std::to_string(windows.size() - kNamed);
        names += inJapanese ? "ほか" + more + "個" : " and " + more + " more";
    }
    std::string text = texts.refusedText;
    const std::string slot = "{windows}";
    const auto at = text.find(slot);
    if (at != std::string::npos) text.replace(at, slot.size(), names);
    return text;
}

}  // namespace zelvane
