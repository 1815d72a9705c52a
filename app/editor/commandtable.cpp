#include "editor/commandtable.h"

const std::vector<CommandInfo>& EditorViewCommands() {
    static const std::vector<CommandInfo> table = {
        {cmd::FileSave, "&Save", "Ctrl+S", true, "Save the active document."},
        {cmd::FileSaveAs, "Save &As...", "", true, "Save the active document with a new name."},
        {cmd::FileClose, "&Close", "", true, "Close the active document."},
        {cmd::EditUndo, "&Undo", "Ctrl+Z|Alt+Backspace", false, "Undo the last action."},
        {cmd::EditRedo, "&Redo", "Ctrl+Y", false, "Redo the previously undone action."},
        {cmd::Rotate90Clockwise, "Rotate 90 deg clockwise", "Ctrl+]", true, "Rotate the image clockwise."},
        {cmd::Rotate90CounterClockwise, "Rotate 90 deg counter clockwise", "Ctrl+[", true,
         "Rotate the image counter clockwise."},
        {cmd::Rotate180, "Rotate 180", "Ctrl+\\", true, "Rotate the image by 180 degrees."},
        {cmd::FlipHorizontal, "Flip horizontal", "Ctrl+;", true, "Mirror the image left to right."},
        {cmd::FlipVertical, "Flip vertical", "Ctrl+'", true, "Mirror the image top to bottom."},
        {cmd::Resize, "Resize", "Ctrl+R", true, "Change the pixel size of the image."},
        // --- Adjustment dialogs (menu Image, Advanced) ---
        {cmd::Levels, "Levels", "Ctrl+L", true, "Adjusts image levels."},
        {cmd::Curves, "Curves", "Ctrl+M", true, "Adjusts image curves."},
        {cmd::ChannelMixer, "Channel mixer", "", true, "Channel mixer."},
        {cmd::HueSaturation, "Hue/Saturation", "", true, "Hue/Saturation arjustment."},
        {cmd::Brightness, "Brightness", "Ctrl+B", true, "Adjusts the brightness of the mid-tones."},
        {cmd::Boost, "Boost", "", true, "Boosts the contrast with an S-shaped curve."},
        {cmd::BlackAndWhite, "Black and White / Sepia", "", true, "Converts the image to black and white or sepia."},
        {cmd::Sharpen, "Sharpen", "", true, "Sharpens the image with an unsharp mask."},
        {cmd::ShadowControl, "Shadow Control Pro", "", true, "Brightens the shadows."},
        {cmd::HighlightControl, "Highlight Control Pro", "", true, "Darkens the highlights."},
        {cmd::IrFilm, "IR Film", "", true, "Gives the image the look of infra-red film."},
        // --- end of adjustment dialogs ---
        // The interactive tools.
        {cmd::Crop, "Crop", "Ctrl+I", true, "Cut the image to a rectangle."},
        {cmd::ArbitraryRotation, "Arbitrary rotation", "", true, "Straighten the image along a guide line."},
        {cmd::WhiteBalance, "White Balance", "", true, "Correct a colour cast."},
        {cmd::PhotographicFilters, "Photographic Filters", "", true, "Simulate coloured and graduated lens filters."},
        {cmd::RedEyeRemoval, "Red eye removal", "", true, "Darken red pupils."},
        // End of the interactive tools.
        {cmd::ShowExifInfo, "Show EXIF info", "Ctrl+E", true, "Show the EXIF data of the picture."},
        {cmd::ImprovementWizard, "Improvement wizard", "Ctrl+W", false, "Open the image adjustment wizard."},
        {cmd::Zoom100, "Zoom to 100%", "", false, "Show the image pixel for pixel."},
        {cmd::ZoomFit, "Zoom to fit", "", false, "Fit the whole image into the window."},
        // Their enabling follows the browser list; a tool blocks them as well, since the
        // tool works on the picture the window shows.
        {cmd::ShowNextImage, "Show next image", "PgDown", true, "Show the next image of the browser."},
        {cmd::ShowPreviousImage, "Show previous image", "PgUp", true, "Show the previous image of the browser."},
    };
    return table;
}

const CommandInfo* FindViewCommand(int id) {
    for (const CommandInfo& info : EditorViewCommands())
        if (info.id == id) return &info;
    return nullptr;
}
