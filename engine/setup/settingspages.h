#pragma once
// The rules of the settings window's pages and of the setup wizard's pages, on the settings
// object: what each page shows when it opens and what it writes back. The Qt dialogs only
// map controls to these values.
#include <optional>
#include <string>

#include "settings/settings.h"

namespace setup {

// Directories page: root folder, naming pattern and which date fills the pattern.
struct DirectoriesPage {
    std::string root;
    std::string pattern;
    bool useDownloadTime = false;  // the "When image is downloaded" radio button
};
DirectoriesPage ReadDirectoriesPage(const CSettings& settings);
// Stores the page into the settings (the caller saves).
void ApplyDirectoriesPage(const DirectoriesPage& page, CSettings& settings);

// The radio buttons of the Updates page.
enum class UpdateChoice { Daily, Weekly, Monthly, Never };

// Updates page: the radio button shown on opening (none for a value the page does not know)
// and the one the user clicked last, if any.
struct UpdatesPage {
    std::optional<UpdateChoice> shown;
    std::optional<UpdateChoice> clicked;
};
UpdatesPage ReadUpdatesPage(const CSettings& settings);
// Stores the frequency: the clicked button's word; without a click the stored text stays as
// it is ("MONTHLY" stays in capitals), except that an empty value becomes "Always".
void ApplyUpdatesPage(const UpdatesPage& page, CSettings& settings);
// The word written for a radio button: "Always", "Weekly", "Monthly" or "Never".
const char* FrequencyWord(UpdateChoice choice);

// The four autorun check boxes, shared by the settings page and the wizard page.
struct AutorunChoices {
    bool media = true;      // start when a card or other medium is inserted
    bool camera = true;     // start when a camera is connected
    bool clickless = true;  // download at once
    bool deleteAfter = false;
    // The delete box is enabled only while clickless is checked.
    bool DeleteEnabled() const { return clickless; }
    // Clicking the clickless box: unchecking it unchecks the delete box too.
    void SetClickless(bool checked) {
        clickless = checked;
        if (!checked) deleteAfter = false;
    }
};
AutorunChoices ReadAutorunPage(const CSettings& settings);
// Stores the four choices; clickless off also clears clickless delete (the caller registers
// the autoplay files and saves, see autoplay.h).
void ApplyAutorunChoices(const AutorunChoices& choices, CSettings& settings);

// The pattern the wizard proposes when none is set.
inline constexpr const char* kDefaultNamingPattern = "%Y/%B/%d";

// The wizard's naming-pattern page preset: the stored pattern, or the default when empty.
std::string WizardNamingPattern(const CSettings& settings);

// The wizard's thumbnail page preset: the stored folder, or `defaultFolder` when empty.
std::string WizardThumbnailFolder(const CSettings& settings, const std::string& defaultFolder);

// Finish on the wizard's last page, or Cancel after that page was shown: setup counts as
// completed (the caller saves).
void MarkSetupCompleted(CSettings& settings);
// Whether start-up must run the wizard.
bool SetupNeeded(const CSettings& settings, bool installFlag);

// The help text of the Directories page and the wizard's naming page: the strftime
// shortcuts, one per line.
const char* NamingHelpText();

}  // namespace setup
