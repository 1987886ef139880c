#pragma once
// The program's resource vocabulary: the menu bar, the accelerators, the toolbar and the
// string table, as data that the main frame is built from.

#include <string_view>
#include <vector>

// One menu item; id 0 is a separator. Text carries the mnemonic ('&') and, after a tab, the
// shortcut as shown.
struct CMenuItemResource {
  int id;
  std::string_view text;
};

struct CMenuResource {
  std::string_view title;
  std::vector<CMenuItemResource> items;
};

struct CAcceleratorResource {
  std::string_view keys;  // in QKeySequence's portable form
  int id;
};

const std::vector<CMenuResource>& MainMenuResource();
const std::vector<CAcceleratorResource>& AcceleratorResource();
// Toolbar buttons left to right; 0 is a gap.
const std::vector<int>& ToolbarResource();

// The status-bar prompt and, after a line feed, the tool tip of a standard command; empty for
// the program's own commands, which have none.
std::string_view CommandPrompt(int id);
// The freedesktop icon name of a toolbar command.
std::string_view CommandIconName(int id);

inline constexpr std::string_view kApplicationTitle = "Pelorin";
inline constexpr std::string_view kIdleMessage = "Ready";
inline constexpr std::string_view kSettingsOrganisation = "Local AppWizard-Generated Applications";
inline constexpr int kRecentFileCount = 4;
