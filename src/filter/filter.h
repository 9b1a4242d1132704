// The strip filter: the criterion table, tokens and their text form, the facts of a photo that
// tokens are evaluated against, matching, the plain-language summary, the filter's place in the
// folder's visible list, and the current filter in the settings file.
//
// Tokens and the visible list change on the user-interface thread only. The metadata scan
// (scan.h) writes a photo's facts under the cache lock, one record at a time; evaluation copies
// one photo's record under the same lock and works on the copy (copyPhotoFacts), so it never
// sees a record that is half written.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/folder.h"
#include "metadata/photo_meta.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] facts of a photo
// What the tokens are evaluated against. A photo whose metadata has not been read has every
// PhotoMeta value at its unknown value, so the criteria that need the scan give it nothing.
struct PhotoFacts {
    PhotoMeta meta;      // with the camera and lens names
    int rating = 0;      // -1 rejected, 0 none, 1..5
    int burstGroup = -1;
    std::string label;
    std::string path;
};

// Copies photo index of the folder into *out (reusing its buffers), holding lock (when given)
// for the copy only.
void copyPhotoFacts(const FolderState& folder, int index, Lock* lock, PhotoFacts* out);

// [SECTION] criterion table
enum class CriterionKind { Set = 0, Range = 1, Names = 2 };

enum CriterionId {
    kCritRating, kCritColour, kCritFileType, kCritOrientation, kCritBurst, kCritFocus, kCritShutter,
    kCritIso, kCritAperture, kCritSpeed, kCritExpComp, kCritLens, kCritCamera, kCriterionCount
};

struct BucketLabel {
    std::string text;
    bool hasColour = false;  // a chip colour (the colour criterion)
    uint8_t r = 0, g = 0, b = 0;
};

struct Criterion {
    const char* key;       // "rating", at most 20 characters
    const char* labelKey;  // text key of its label, "FilterRating"
    CriterionKind kind;
    bool needsScan;        // its facts come from the metadata scan
    // Set: the photo's bucket, or -1 when it has none; the label of a bucket, false past the last.
    int (*bucket)(const PhotoFacts& f);
    bool (*bucketLabel)(int bucket, BucketLabel* out);
    // Range: the photo's value (false when unknown); typed text to a value (false when
    // unusable); a value as the dialog and the summary show it.
    bool (*value)(const PhotoFacts& f, double* out);
    bool (*parse)(std::string_view text, double* out);
    std::string (*format)(double v);
    // Names: the photo's name, trimmed ("" when unknown).
    std::string_view (*name)(const PhotoFacts& f);
};

// The 13 criteria in catalogue order (index = CriterionId).
std::span<const Criterion> criteria();
const Criterion* criterion(int id);  // nullptr outside 0..12
// Trimmed, ignoring case; -1 for an unknown key.
int criterionByKey(std::string_view key);
// The number of buckets of a set criterion (counted from its label function), 0 for others.
int bucketCount(int id);
// The label text of the criterion, from the text table.
std::string criterionLabel(int id);

// [SECTION] tokens
struct FilterToken {
    int criterion = 0;
    bool inverted = false;  // the not-flag
    uint32_t mask = 0;      // set kind: bit n selects bucket n
    double low = 0, high = 0;
    bool hasLow = false, hasHigh = false;
    int matchCount = 0;     // photos of the folder this token alone accepts (for the dialog)
    std::string names;      // names kind: tab-separated names
};

struct Filter {
    std::vector<FilterToken> tokens;  // in the order they were added, one per criterion at most
};

// The filter before the settings are read: one rating token selecting 5 stars.
Filter defaultFilter();

// Where the facts of the open folder come from: its photo list, read under the cache lock the
// metadata scan writes under (nullptr when nothing runs beside the caller).
struct FactsView {
    const FolderState* folder = nullptr;
    Lock* lock = nullptr;
};

// The index of the criterion's token, adding an empty one when there is none (its match count is
// then computed from view, when it has a folder).
int addToken(Filter& filter, int criterion, FactsView view = {});
// -1 when the filter has no token of the criterion.
int findToken(const Filter& filter, int criterion);
bool tokenIsEmpty(const FilterToken& t);
bool filterHasNonEmptyToken(const Filter& filter);

// [SECTION] matching
bool tokenMatches(const FilterToken& t, const PhotoFacts& f);
// Every token matches (a filter of empty tokens matches every photo).
bool tokensMatch(std::span<const FilterToken> tokens, const PhotoFacts& f);
bool photoMatchesFilter(std::span<const FilterToken> tokens, FactsView view, int index);
int countMatches(std::span<const FilterToken> tokens, FactsView view);
// Stores the match count of one token.
void countTokenMatches(Filter& filter, int token, FactsView view);
// One pass over the folder: every token's match count, and the photos matching the whole
// filter (returned).
int recountMatches(Filter& filter, FactsView view);
// The same over facts already at hand (benchmarks, export lists).
int recountMatches(Filter& filter, std::span<const PhotoFacts> facts);

// [SECTION] text form
// "key|not|mask|low|high|names", numbers as "0.########", names trimmed and joined by tabs.
// Control characters in names are written as spaces, so a name can never break the settings line.
std::string tokenToText(const FilterToken& t);
// False for an unknown criterion key or fields that are not numbers; *out is then unchanged.
bool textToToken(std::string_view text, FilterToken* out);
// Reads the text form into the filter, replacing that criterion's token. False when unreadable.
bool addTokenText(Filter& filter, std::string_view text);
// A number as the text form writes it: 3200, 2.8, 0.004.
std::string formatTokenNumber(double v);

// [SECTION] summary
// One line per non-empty token: "   -  [not ]Label: values" + CR LF.
std::string describeFilter(std::span<const FilterToken> tokens);
// The values part of one token's line ("4, 5", "f/2.8 - f/4.0", "400+", "<= 1/60").
std::string describeTokenValues(const FilterToken& t);

// [SECTION] messages
// What a command asks the window to show. The Windows program shows it as a message box; the
// command line prints it; tests read it.
enum class PromptKind { None, Information, Warning, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };
struct Prompt {
    PromptKind kind = PromptKind::None;
    std::string title;
    std::string text;
    bool defaultNo = false;  // Yes/No questions whose safe answer is No
};
// Shows a prompt and returns the user's answer (Ok for the information kinds).
using AskFn = Answer (*)(const Prompt& prompt, void* context);
struct Asker {
    AskFn ask = nullptr;  // nullptr answers every question with its default (No, or Cancel)
    void* context = nullptr;
    Answer operator()(const Prompt& p) const;
};

// [SECTION] the strip filter of the main window
// Rebuilds the folder's visible list; the viewer passes one that stops and restarts its
// background builder around lv::rebuildVisibleList.
using RebuildFn = void (*)(FolderState& folder, void* context);

// A filter kept under a name: its canonical body (token texts, one per line, sorted).
struct SavedFilter {
    std::string name;
    std::string body;
};
struct SavedFilters {
    std::vector<SavedFilter> entries;  // A to Z ignoring case, names unique ignoring case
    std::string pending;               // applied when the metadata scan finishes; "" for none
};

struct FilterSession {
    Filter current = defaultFilter();  // the strip filter (its on flag is FolderState::filterActive)
    SavedFilters saved;
    Lock* factsLock = nullptr;    // the cache lock the metadata scan writes under
    RebuildFn rebuild = nullptr;  // nullptr: lv::rebuildVisibleList
    void* rebuildContext = nullptr;
    std::string settingsPath;     // where the current and the saved filters are stored
};

// Plugs the session's filter into the folder's visible-list hook (FolderState::filter).
void attachFilter(FolderState& folder, FilterSession& session);
FactsView factsOf(const FolderState& folder, const FilterSession& session);
void rebuildVisible(FolderState& folder, FilterSession& session);

// What the window does after a filter command.
struct FilterOutcome {
    bool rebuilt = false;      // the visible list changed: repaint the strip
    bool showCurrent = false;  // show the photo at currentPosition (nothing when the list is empty)
    Prompt message;            // shown after the view is updated
};

// After a rating or label change (only while the filter is on): the shown photo keeps its
// place when it still matches, otherwise the next photo takes its position.
FilterOutcome reapplyFilter(FolderState& folder, FilterSession& session);
// The X key. Turning on with no match turns the filter off again with the `NoFilteredMsg` box.
FilterOutcome toggleFilter(FolderState& folder, FilterSession& session);
// Makes the photo index current in the visible list: its position, else the first visible
// photo, clamped to the list.
void keepPhotoCurrent(FolderState& folder, int photoIndex);

// [SECTION] the current filter in the settings file
inline constexpr const char* kFilterSection = "Filter";
inline constexpr int kMaxTokens = 64;
// Reads section "Filter" of the settings text. A missing or negative "TokenCount" leaves the
// filter as it is (so the default stays). Match counts are recomputed from view.
void loadCurrentFilter(Filter& filter, std::string_view iniText, FactsView view = {});
// The settings text with the filter written and the "Token" keys past its count cleared.
std::string currentFilterIniText(const Filter& filter, std::string_view iniText);
// The same on the settings file, through a temporary file. A file that cannot be read is left
// alone and its error returned.
WinErr saveCurrentFilter(const Filter& filter, std::string_view settingsPath);

}  // namespace lv
