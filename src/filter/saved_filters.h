// Saved filters: up to 30 filters kept under names in the settings file, as the canonical text
// of their tokens, so equal filters are recognised whatever the order of their tokens and a
// filter written by a version that knows more criteria survives untouched (and is never applied).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "filter/filter.h"

namespace lv {

inline constexpr int kMaxSavedFilters = 30;
inline constexpr int kMaxSavedNameChars = 40;
inline constexpr const char* kSavedFiltersSection = "SavedFilters";

// [SECTION] names and bodies
// Control characters become spaces; trimmed; cut to 40 characters (never inside a UTF-8
// sequence) and trimmed again.
std::string sanitizeName(std::string_view name);
// Lines trimmed, empty ones and empty tokens dropped, readable tokens rewritten in their text
// form, unreadable lines kept verbatim; sorted and joined by line feeds.
std::string normalizeBody(std::string_view body);
// Every line reads as a token and no set token selects a bucket this version does not have.
bool bodyIsUsable(std::string_view body);
// The canonical body of the filter's non-empty tokens.
std::string currentFilterBody(const Filter& filter);

// [SECTION] the list
// Names trimmed and compared ignoring case; -1 when absent or empty.
int findSavedFilter(const SavedFilters& saved, std::string_view name);
int savedFilterMatchingCurrent(const SavedFilters& saved, const Filter& current);
bool isSavedFilterUsable(const SavedFilters& saved, int index);
bool savedFilterNeedsScan(const SavedFilters& saved, int index);
bool savedFilterUsesRatingOrColour(const SavedFilters& saved, int index);
// Its tokens in a separate list; false when it is unusable, empty or out of range.
bool tokensOfSavedFilter(const SavedFilters& saved, int index, std::vector<FilterToken>* out);

// [SECTION] matching for export and import
// A saved filter's tokens ready to test photos, with the lock the open folder's facts are read
// under (nullptr when no scan runs beside the caller).
struct TokenMatcher {
    std::string name;
    std::vector<FilterToken> tokens;
    Lock* lock = nullptr;
};
// False when the saved filter is unusable, empty or out of range.
bool makeSavedFilterMatcher(const SavedFilters& saved, int index, Lock* lock, TokenMatcher* out);
// Photo index of the open folder (the shape of the export's and the folder's filter hooks);
// context is a TokenMatcher.
bool matcherAcceptsPhoto(const FolderState& folder, int index, void* context);
// A file on a card, not in the open folder (the import's photo filter): its metadata and
// sidecar are read now, and it is in no burst. context is a TokenMatcher.
bool matcherAcceptsFile(const std::string& path, void* context);

// [SECTION] the settings file
// Section "SavedFilters": Count, Filter<n>Name, Filter<n>TokenCount, Filter<n>Token<m>.
// Loading skips nameless or empty entries and later duplicates; at most 30 are used.
void loadSavedFilters(SavedFilters& saved, std::string_view iniText);
// The settings text with the list written and every key of old entries past it cleared.
std::string savedFiltersIniText(const SavedFilters& saved, std::string_view iniText);
// The same on the settings file; an empty path stores nothing (0). A file that cannot be read
// is left alone and its error returned.
WinErr storeSavedFilters(const SavedFilters& saved, std::string_view settingsPath);

// At start-up, after the settings table (the file's text from loadSettingsFrom): the current
// filter (default when the file has none) and the saved filters. Nothing when the file did not exist.
void loadFilterSettings(FilterSession& session, std::string_view iniText, bool fileExisted);

// [SECTION] changes (each stores the list at settingsPath)
enum class PutRefusal { None, EmptyName, EmptyBody, Full };
// Cleans the name, makes the body canonical, replaces an entry of the same name or inserts in
// order. Returns the index, or -1 with *why (30 kept and the name is new: Full).
int putSavedFilter(SavedFilters& saved, std::string_view name, std::string_view body,
                   std::string_view settingsPath, PutRefusal* why = nullptr, WinErr* storeErr = nullptr);
// Clears the pending name when it was that filter.
bool removeSavedFilter(SavedFilters& saved, int index, std::string_view settingsPath, WinErr* storeErr = nullptr);
// The new index; -1 (nothing changed) for an empty cleaned name or a bad index. An entry that
// already has the new name is replaced.
int renameSavedFilter(SavedFilters& saved, int index, std::string_view newName, std::string_view settingsPath,
                      WinErr* storeErr = nullptr);

// [SECTION] the commands of the window
// The naming prompt: a small window with the prompt text, an edit field pre-filled with
// *name and OK / Cancel. False for Cancel.
using AskNameFn = bool (*)(const std::string& title, const std::string& prompt, std::string* name, void* context);
struct SavedFilterUi {
    Asker ask;
    AskNameFn askName = nullptr;  // nullptr cancels
    void* nameContext = nullptr;
};

// "Save this filter as...": nothing without a non-empty token; `SavedFilterFull` when 30 are kept.
FilterOutcome saveFilterAs(FilterSession& session, const SavedFilterUi& ui);
FilterOutcome renameSavedFilterCommand(FilterSession& session, int index, const SavedFilterUi& ui);
FilterOutcome removeSavedFilterCommand(FilterSession& session, int index, const SavedFilterUi& ui);
// Choosing a saved filter in the menu: an unusable one offers its removal and is never applied;
// one that needs the metadata scan while it runs becomes the pending saved filter; one that
// matches no photo shows `SavedFilterNoMatch` and changes nothing; otherwise it becomes the
// current filter, turned on and stored.
FilterOutcome applySavedFilter(FolderState& folder, FilterSession& session, int index, const Asker& ask);

// [SECTION] texts
Prompt replaceSavedQuestion(std::string_view name);
Prompt removeSavedQuestion(std::string_view name);
Prompt unusableSavedQuestion(std::string_view name);
Prompt savedFullMessage();
Prompt savedNoMatchMessage(std::string_view name);
// "{name} was saved by another version of Lumivore and cannot be used here" (export, import).
std::string unusableSavedLine(std::string_view name);

enum class SavedMenuAction { Apply, SaveAs, Rename, Remove, Separator, None };
struct SavedMenuEntry {
    std::string text;  // "&" doubled in names
    SavedMenuAction action = SavedMenuAction::None;
    int index = -1;    // the saved filter it acts on
    bool checked = false;
    bool enabled = true;
};
// The saved-filter menu: every saved filter (unusable ones tagged "(cannot be used)", the one
// equal to the current filter checked), or the disabled "No saved filters yet".
std::vector<SavedMenuEntry> savedFilterMenu(const FilterSession& session);
// Behind the dialog's "Saved filters" button: the same list, then "Save this filter as..." and,
// for the saved filter equal to the current one, "Rename {name}..." and "Remove {name}".
std::vector<SavedMenuEntry> savedFilterButtonMenu(const FilterSession& session);

}  // namespace lv
