#pragma once
// The editor's command numbers and the table of commands an editor view carries: menu
// text, keys, and whether the command is disabled while an interactive tool is active.
#include <vector>

namespace cmd {
enum CommandId : int {
    // Main window and document commands.
    FileOpen = 57601,
    FileClose = 57602,
    FileSave = 57603,
    FileSaveAs = 57604,
    AppExit = 57665,
    // The recent-file entries of the File menu, first to fourth.
    FileRecent1 = 57616,
    FileRecent4 = 57619,
    WindowArrange = 57649,
    WindowCascade = 57650,
    WindowTile = 57651,
    Histogram = 32835,
    FullScreen = 32882,
    Help = 32956,
    Settings = 32850,
    // Zoom steps, carried out by the histogram window on the active editor view.
    ZoomIn = 130,
    ZoomOut = 131,
    // Editor view commands.
    EditUndo = 57643,
    EditRedo = 57644,
    Rotate90Clockwise = 32774,
    Rotate90CounterClockwise = 32775,
    Rotate180 = 32797,
    FlipHorizontal = 32801,
    FlipVertical = 32802,
    Resize = 32790,
    ShowExifInfo = 32794,
    ShowNextImage = 32871,
    ShowPreviousImage = 32872,
    ImprovementWizard = 32940,
    Zoom100 = 32944,
    ZoomFit = 32945,
    // --- Adjustment dialogs ---
    Levels = 32780,
    Curves = 32853,
    ChannelMixer = 32858,
    HueSaturation = 32859,
    Brightness = 32924,
    BlackAndWhite = 32923,
    Boost = 32875,
    Sharpen = 32857,
    ShadowControl = 32860,
    HighlightControl = 32862,
    IrFilm = 32863,
    // --- end of adjustment dialogs ---
    // Interactive tools of the editor view.
    Crop = 32854,
    ArbitraryRotation = 32855,
    RedEyeRemoval = 32881,
    PhotographicFilters = 32941,
    WhiteBalance = 32942,
};
}  // namespace cmd

struct CommandInfo {
    int id;
    const char* text;         // menu text
    const char* keys;         // shortcuts in portable QKeySequence text, "|"-separated, or ""
    bool toolBlocked;         // disabled while a tool is active in the view
    const char* hint;         // status bar hint
};

// The commands of the editor view in menu order.
const std::vector<CommandInfo>& EditorViewCommands();
// The row of a view command, or null.
const CommandInfo* FindViewCommand(int id);
