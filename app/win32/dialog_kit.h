// The dialog kit: modal and modeless dialogs built from a table of control rows. Rows are placed
// in 96-DPI pixels and scaled to the dialog's DPI (again when it moves to a monitor of another
// scale); controls use the message font at that DPI. The Windows dialog manager gives Tab order
// (row order), Enter (the default button), Esc (IDCANCEL) and mnemonics; the kit gives buttons,
// check boxes and radio buttons a mnemonic of their own when their text has none. Every text
// comes from the text table by key, or is set by the dialog's handler.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dlg {

// [SECTION] rows
enum class Kind : uint8_t {
    Label,          // static text; a label placed before an edit gives the edit its mnemonic
    Heading,        // static text in the bold message font (a mnemonic for the field after it, too)
    Edit,           // one-line edit field
    Button,         // push button
    DefaultButton,  // the push button Enter presses
    Check,          // check box
    RadioFirst,     // the first radio button of a group (takes the Tab stop)
    Radio,          // the next radio buttons of the group
    Group,          // group box frame
    List,           // list box (single selection, notifies)
    Combo,          // drop-down list
    Custom,         // a static the handler paints (SS_OWNERDRAW: WM_DRAWITEM)
};

inline constexpr DWORD kNoMnemonic = 0x80000000u;  // Row::style bit: leave the text's "&" alone

// One control: its id, kind, text key (nullptr: no text yet) and place in 96-DPI pixels of the
// client area. w = 0: as wide as its text (with the box of a check or radio button); h = 0: the
// usual height of its kind. style adds window styles to those of the kind.
struct Row {
    int id;
    Kind kind;
    const char* textKey;
    int x, y, w, h;
    DWORD style = 0;
};

// [SECTION] dialogs
struct Dialog;
// The dialog's own handling: WM_INITDIALOG (after the controls exist), WM_COMMAND, WM_TIMER,
// WM_DRAWITEM, WM_CTLCOLOR*, ... Return true when handled, with the message's result in *result.
// Unhandled IDOK and IDCANCEL commands end the dialog with that id.
using Handler = bool (*)(Dialog& d, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

struct Form {
    const char* titleKey = nullptr;
    int w = 0, h = 0;  // client area in 96-DPI pixels; 0: the rows' extent plus the margin
    std::span<const Row> rows;
    Handler handler = nullptr;
    void* context = nullptr;
    int focusId = 0;  // gets the focus first (0: the first control with a Tab stop)
};

struct Dialog {
    HWND hwnd = nullptr;
    const Form* form = nullptr;
    void* context = nullptr;
    int dpi = 96;
    HFONT font = nullptr, bold = nullptr;
    std::vector<Row> rows;  // as placed now (moveRow changes them), in 96-DPI pixels
    std::vector<std::wstring> texts;  // per row, as shown (with the kit's mnemonic)
    bool modal = true;
    bool sizing = false;
};

inline constexpr int kMargin = 12;  // 96-DPI pixels around the rows

// Runs the dialog until end(); returns the id end() was given (IDCANCEL when closed), or 0 when
// the dialog could not be created. The owner is disabled meanwhile.
int runModal(HWND owner, const Form& form);
// Creates and shows a modeless dialog; the main loop passes messages through isDialogMessage.
// form must outlive the window.
HWND openModeless(HWND owner, const Form& form);
bool isDialogMessage(MSG* msg);
// Of forms in order of preference (each with its w and h), the first whose window fits the work
// area of the owner's monitor at its DPI; when none fits, the one that overflows least.
int formThatFits(HWND owner, std::span<const Form* const> forms);
// Ends a modal dialog with result, or destroys a modeless one.
void end(Dialog& d, int result);
Dialog* dialogOf(HWND hwnd);

// [SECTION] controls
HWND item(const Dialog& d, int id);
int scale(const Dialog& d, int v96);
std::string getText(const Dialog& d, int id);
void setText(Dialog& d, int id, std::string_view utf8);  // keeps the row's kit mnemonic rules
bool checked(const Dialog& d, int id);
void setChecked(const Dialog& d, int id, bool on);
void enable(const Dialog& d, int id, bool on);
void show(const Dialog& d, int id, bool on);
// Gives the control the focus; an edit field's text is selected.
void focus(const Dialog& d, int id);
// Moves a row (96-DPI pixels; w or h 0 keeps the auto size) and remembers it for DPI changes.
void moveRow(Dialog& d, int id, int x, int y, int w, int h);
// Width of text in the dialog's font, in 96-DPI pixels (rounded up).
int textWidth(const Dialog& d, std::string_view utf8, bool bold = false);
// Height of text wrapped at w 96-DPI pixels, in 96-DPI pixels (rounded up).
int wrappedHeight(const Dialog& d, std::string_view utf8, int w, bool bold = false);
// Adds a control that is not in the table (lists of values built at run time); same rules.
HWND addRow(Dialog& d, const Row& row, std::string_view utf8 = {});
// Takes a control of another window class (made by its own code with row.id as its id) as a
// row: placed, given the dialog's font and moved with the others when the DPI changes.
HWND adoptRow(Dialog& d, const Row& row, HWND control);
// Destroys the controls whose ids lie in [first, last] and forgets their rows.
void removeRows(Dialog& d, int first, int last);
// Resizes the client area to the rows' extent plus the margin (or w, h when given, in 96-DPI).
void fitToRows(Dialog& d, int w = 0, int h = 0);

// [SECTION] list and combo boxes
void listClear(const Dialog& d, int id);
void listAdd(const Dialog& d, int id, std::string_view utf8);
int listSelection(const Dialog& d, int id);  // -1 for none
void listSelect(const Dialog& d, int id, int index);

// [SECTION] messages
// A message box whose title comes from the text table (text is the composed body).
int messageBox(HWND owner, const char* titleKey, std::string_view text, UINT type);
// Pops up a menu of (id, text, flags) entries under the control; returns the chosen id or 0.
struct MenuEntry {
    int id;  // 0: a separator
    std::string text;
    UINT flags = 0;  // MF_CHECKED, MF_GRAYED
};
int popupMenuUnder(const Dialog& d, int controlId, std::span<const MenuEntry> entries);

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view w);

}  // namespace dlg
