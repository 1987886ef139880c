#pragma once
// The dialog templates: caption, size and controls of each dialog in dialog units, in tab
// order. A dialog unit is a quarter of the dialog font's average character width across and
// an eighth of its height down.

#include <string_view>
#include <vector>

enum class EDialogItem { Label, Edit, Button, DefaultButton };

struct CDialogItemTemplate {
  EDialogItem kind;
  int id;  // 0 for labels
  std::string_view text;
  int x, y, width, height;
};

struct CDialogTemplate {
  int id;
  std::string_view caption;
  int width, height;
  std::vector<CDialogItemTemplate> items;
};

// The template with this id, or null.
const CDialogTemplate* FindDialogTemplate(int id);

