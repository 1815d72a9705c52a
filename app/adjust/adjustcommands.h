#pragma once
// The editor commands that open the adjustment dialogs.
#include <memory>

class CAdjustDialog;
class CeditorView;

// True for the command numbers of the adjustment dialogs.
bool IsAdjustCommand(int id);
// The dialog of command `id` over `view` (null for another command). Constructing it
// rebuilds the view's display copies and shows the preview.
std::unique_ptr<CAdjustDialog> MakeAdjustDialog(int id, CeditorView* view);
// Opens the dialog of command `id` modally and commits it on OK (one undo step).
void RunAdjustDialog(int id, CeditorView* view);
