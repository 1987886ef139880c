#include "app/Resources.h"

#include "app/CommandIds.h"

#include <map>

const std::vector<CMenuResource>& MainMenuResource() {
  static const std::vector<CMenuResource> menus = {
      {"&File",
       {{ID_FILE_NEW, "&New\tCtrl+N"},
        {ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {ID_FILE_SAVE, "&Save\tCtrl+S"},
        {ID_FILE_SAVE_AS, "Save &As..."},
        {0, ""},
        {ID_FILE_PRINT, "&Print...\tCtrl+P"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
        {ID_FILE_PRINT_SETUP, "P&rint Setup..."},
        {0, ""},
        {ID_FILE_MRU_FILE1, "Recent File"},
        {0, ""},
        {ID_APP_EXIT, "E&xit"}}},
      {"Image File ",
       {{ID_LOAD_SOURCE_IMAGE, "Load Souce Image"},
        {ID_INPUT_VX, "Input for Vx"},
        {ID_INPUT_VY, "Input for Vy"},
        {ID_INPUT_VZ, "Input for Vz"},
        {ID_CALCULATE_VANISHING_POINTS, "Caculate "},
        {ID_DETECT_SEGMENTS, "Detect Segments..."},
        {ID_DISABLE_OUTLIERS, "Disable Outliers..."},
        {ID_LOAD_DATA_FILE, "Load Data File"},
        {ID_SAVE_DATA_FILE, "Save Data File"},
        {ID_GET_PARAMETER, "GetParameter"},
        {ID_QUERY_TEXTURE, "Query Texture"},
        {ID_SAVE_VRML_FILE, "Save VRML File"},
        {ID_SAVE_GLTF_FILE, "Save glTF File"},
        {ID_SAVE_OBJ_FILE, "Save OBJ File"},
        {ID_EXPORT_CAMERA, "Export Camera..."}}},
      {"&Edit",
       {{ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
        {ID_EDIT_REDO, "&Redo\tCtrl+Y"},
        {0, ""},
        {ID_EDIT_CUT, "Cu&t\tCtrl+X"},
        {ID_EDIT_COPY, "&Copy\tCtrl+C"},
        {ID_EDIT_PASTE, "&Paste\tCtrl+V"}}},
      {"&View",
       {{ID_VIEW_TOOLBAR, "&Toolbar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar"},
        {0, ""},
        {ID_VIEW_ZOOM_IN, "Zoom &In\tCtrl++"},
        {ID_VIEW_ZOOM_OUT, "Zoom &Out\tCtrl+-"},
        {ID_VIEW_ACTUAL_PIXELS, "&Actual Pixels\tCtrl+0"},
        {ID_VIEW_FIT_IN_WINDOW, "&Fit in Window\tCtrl+9"},
        {0, ""},
        {ID_VIEW_OVERLAYS, "O&verlays"},
        {ID_VIEW_POINTS_AND_FACES, "&Points and Faces"},
        {ID_VIEW_CAMERA, "&Camera"}}},
      {"&Help", {{ID_HELP_USER_GUIDE, "&User Guide\tF1"}, {0, ""}, {ID_APP_ABOUT, "&About Pelorin..."}}},
  };
  return menus;
}

const std::vector<CAcceleratorResource>& AcceleratorResource() {
  static const std::vector<CAcceleratorResource> accelerators = {
      {"Ctrl+N", ID_FILE_NEW},         {"Ctrl+O", ID_FILE_OPEN},      {"Ctrl+S", ID_FILE_SAVE},
      {"Ctrl+P", ID_FILE_PRINT},       {"Ctrl+Z", ID_EDIT_UNDO},      {"Ctrl+X", ID_EDIT_CUT},
      {"Ctrl+C", ID_EDIT_COPY},        {"Ctrl+V", ID_EDIT_PASTE},     {"Alt+Backspace", ID_EDIT_UNDO},
      {"Ctrl+Y", ID_EDIT_REDO},        {"Ctrl+Shift+Z", ID_EDIT_REDO},
      {"Shift+Del", ID_EDIT_CUT},      {"Ctrl+Ins", ID_EDIT_COPY},    {"Shift+Ins", ID_EDIT_PASTE},
      {"F6", ID_NEXT_PANE},            {"Shift+F6", ID_PREV_PANE},
      {"Ctrl++", ID_VIEW_ZOOM_IN},     {"Ctrl+-", ID_VIEW_ZOOM_OUT},  {"Ctrl+0", ID_VIEW_ACTUAL_PIXELS},
      {"Ctrl+9", ID_VIEW_FIT_IN_WINDOW},
      {"F1", ID_HELP_USER_GUIDE},
  };
  return accelerators;
}

const std::vector<int>& ToolbarResource() {
  static const std::vector<int> buttons = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0,  ID_EDIT_CUT, ID_EDIT_COPY,
                                           ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0, ID_APP_ABOUT};
  return buttons;
}

std::string_view CommandPrompt(int id) {
  static const std::map<int, std::string_view> prompts = {
      {ID_FILE_NEW, "Create a new document\nNew"},
      {ID_FILE_OPEN, "Open an existing document\nOpen"},
      {ID_FILE_SAVE, "Save the active document\nSave"},
      {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
      {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPage Setup"},
      {ID_FILE_PRINT, "Print the active document\nPrint"},
      {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
      {ID_FILE_MRU_FILE1, "Open this document"},
      {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
      {ID_EDIT_UNDO, "Undo the last action\nUndo"},
      {ID_EDIT_REDO, "Redo the previously undone action\nRedo"},
      {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
      {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
      {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
      {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
      {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
      {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
  };
  auto it = prompts.find(id);
  return it == prompts.end() ? std::string_view() : it->second;
}

std::string_view CommandIconName(int id) {
  switch (id) {
    case ID_FILE_NEW: return "document-new";
    case ID_FILE_OPEN: return "document-open";
    case ID_FILE_SAVE: return "document-save";
    case ID_EDIT_CUT: return "edit-cut";
    case ID_EDIT_COPY: return "edit-copy";
    case ID_EDIT_PASTE: return "edit-paste";
    case ID_FILE_PRINT: return "document-print";
    case ID_APP_ABOUT: return "help-about";
    default: return {};
  }
}
