// The import naming template: the text that gives every card file its place below the
// destination ("{year:4}\{month:2}\{day:2}\{file.type:sub(sooc,video)}\{file.name}.{file.ext}").
// Its syntax, the token values, the cleaning of names, the check with its messages, the
// migration of stored templates, and the chip captions and menus of the template field.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"

namespace lv {

// [SECTION] data
// The values of one card file that tokens can reach. Text fields are cut to their widths.
struct ImportNameContext {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::string name;    // up to 768: the card file's name without folder and extension
    std::string ext;     // up to 16: the extension without the dot, in the card's case
    std::string kind;    // up to 16: raw, jpeg, video, audio, sidecar, other, or a mapped word
    std::string camera;  // up to 64
    std::string lens;    // up to 96
    std::string serial;  // up to 48: body serial
    std::string volume;  // up to 48: card name (nothing fills it yet)
    int seq = 0;         // zero-based index among the files being imported
    std::string job;     // up to 192 (nothing fills it yet)
    std::string note;    // up to 192 (nothing fills it yet)
};
// Cuts the text fields of c to their widths (at a UTF-8 character boundary).
void clampNameContext(ImportNameContext* c);

struct TemplateCheck {
    bool unclosed = false;    // a "{" has no "}" after it
    bool emptyToken = false;  // "{}" or a token that begins with ":"
    bool badSub = false;      // a malformed sub() in a file.type token
    bool hasError = false;    // any of the above, an unknown token or an unknown type in sub()
    bool notUnique = false;   // the file-name part lacks an extension plus a name or a sequence
    std::string unknownTokens;  // each once, joined by "|"
    std::string badChars;       // distinct illegal literal characters, in order of appearance
    std::string badTypes;       // unknown type words inside sub(), lower case, joined by "|"
};

// [SECTION] syntax
// One piece of a template as the walk from left to right meets it.
struct TemplatePiece {
    enum Kind { Literal, Token, Separator, Unclosed } kind = Literal;
    std::string_view raw;   // the source text of the piece ("{{", "{seq:4}", "\", "{rest...")
    std::string_view name;  // Token: the text before the first ":" (not trimmed, case kept)
    std::string_view arg;   // Token: the text after the first ":"
    char literal = 0;       // Literal: the character it stands for ("{{" gives "{")
};
std::vector<TemplatePiece> splitTemplate(std::string_view tpl);

// [SECTION] expansion and check
// The relative path below the destination, components cleaned and joined by the separator of
// style; unknown token names (they expand to nothing) joined by "|" into *unknownTokens.
std::string expandImportTemplate(std::string_view tpl, const ImportNameContext& c, std::string* unknownTokens = nullptr,
                                 PathStyle style = kNativeStyle);
// The value of one token; false when the token is unknown.
bool evaluateImportToken(std::string_view name, std::string_view arg, const ImportNameContext& c, std::string* value);
// Characters below 32 and \ / : * ? " < > | become "_", then trailing spaces and dots go.
std::string cleanNameComponent(std::string_view component);
TemplateCheck checkImportTemplate(std::string_view tpl);
// The message line of the import dialog, empty when all is well.
std::string describeTemplateProblems(const TemplateCheck& c);
// The template to use for a stored value: old token names migrated, old defaults replaced.
std::string normalizeStoredTemplate(std::string_view stored);
std::string defaultImportTemplate();
// Gives the settings store the template rules of the export and the import (defaults, the older
// export keys, stored import templates). Called once at start-up by each program.
void registerTemplateSettingsRules();

// "Canon EOS R5" -> "EOSR5"; "EF 70-200mm f/2.8L IS" -> "70-200f2.8".
std::string shortCameraName(std::string_view model);
std::string shortLensName(std::string_view model);

// [SECTION] chips and their menus
// The caption of a chip for the text of one token ("{camera:short}" -> "Camera (short)").
std::string importTokenLabel(std::string_view tokenText);

struct TokenMenuItem {
    std::string caption;
    std::string tokenText;  // what the chip becomes (Insert: what is inserted)
    bool checked = false;   // the chip is this choice now (type ticks: the type is ticked)
};
// "Insert token": the sixteen tokens in menu order.
std::vector<TokenMenuItem> importInsertMenu();
// A chip's "Change to" choices; empty for tokens without any. For file.type the items are the
// six type ticks (caption per type, tokenText the chip with that tick toggled).
std::vector<TokenMenuItem> importChangeToMenu(std::string_view tokenText);
// The type token for a set of ticks in the order raw, sooc, video, audio, sidecar, other.
std::string typeTokenFromTicks(const bool ticks[6]);

}  // namespace lv
