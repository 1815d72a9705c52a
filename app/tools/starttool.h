#pragma once
// Starting the editor view's interactive tools from their commands.
class CeditorView;

namespace tools {

// True when `command` is one of the tool commands (crop, arbitrary rotation, white
// balance, photographic filters, red-eye removal).
bool IsToolCommand(int command);
// Starts the tool of `command` in `view`; false when it is no tool command or a tool is
// already active there.
bool StartToolCommand(CeditorView& view, int command);

}  // namespace tools
