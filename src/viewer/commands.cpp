// Commands, menus, accelerators, the key map, slideshow stepping, loupes and the Controls table.
#include "viewer/commands.h"

#include <algorithm>

#include "core/texts.h"
#include "library/bursts.h"

namespace lv {

// [SECTION] command texts

namespace {

const CommandText kCommandTexts[] = {
    {kCmdSettings, "MenuSettings"},       {kCmdAbout, "MenuAbout"},
    {kCmdOpenFolder, "MenuOpenFolder"},   {kCmdOpenFile, "MenuOpenFile"},
    {kCmdExit, "MenuExit"},               {kCmdPanel, "MenuViewExif"},
    {kCmdControls, "MenuControls"},       {kCmdStrip, "MenuStripShow"},
    {kCmdFilterDialog, "MenuFilter"},     {kCmdOpenClipboard, "MenuOpenClip"},
    {kCmdExport, "MenuExport"},           {kCmdImport, "MenuImport"},
    {kCmdRateNone, "CtxRateNone"},        {kCmdRateReject, "CtxRateReject"},
    {kCmdLabelNone, "CtxLabelNone"},      {kCmdLabelRed, "CtxLabelRed"},
    {kCmdLabelYellow, "CtxLabelYellow"},  {kCmdLabelGreen, "CtxLabelGreen"},
    {kCmdFocusIndication, "CtxAF"},       {kCmdFocusLoupe, "CtxLoupe"},
    {kCmdApplyFilter, "CtxFilter"},       {kCmdJump, "CtxJump"},
    {kCmdCopyName, "CtxCopyName"},        {kCmdReveal, "CtxReveal"},
    {kCmdCopyMeta, "CtxCopyAll"},         {kCmdSwapPanel, "CtxSwapPanel"},
    {kCmdHidePanel, "CtxHidePanel"},      {kCmdCrop, "CtxCrop"},
    {kCmdOrderFirst + 0, "OrderFile"},    {kCmdOrderFirst + 1, "OrderNameAZ"},
    {kCmdOrderFirst + 2, "OrderNameZA"},  {kCmdOrderFirst + 3, "OrderTimeAZ"},
    {kCmdOrderFirst + 4, "OrderTimeZA"},  {kCmdAddLoupe, "CtxAddLoupe"},
    {kCmdRemoveLoupe, "CtxRemoveLoupe"},  {kCmdCentreLoupe, "CtxLoupeCenter"},
    {kCmdCopySection, "CtxCopySection"},  {kCmdCopyItem, "CtxCopyItem"},
    {kCmdStatusBar, "MenuStatusBar"},
};

}  // namespace

std::span<const CommandText> commandTexts() { return kCommandTexts; }

const char* commandTextKey(int command) {
    for (const CommandText& c : kCommandTexts)
        if (c.command == command) return c.textKey;
    return "";
}

// [SECTION] menus

namespace {

struct MenuRow {
    MenuKind kind;
    int command;
    const char* textKey;  // null: the command's own text
    MenuDynamic dynamic;
};
constexpr MenuRow item(int c) { return {MenuKind::Item, c, nullptr, MenuDynamic::None}; }
constexpr MenuRow sub(const char* key) { return {MenuKind::SubBegin, 0, key, MenuDynamic::None}; }
constexpr MenuRow dyn(MenuDynamic d) { return {MenuKind::Dynamic, 0, nullptr, d}; }
constexpr MenuRow kSep = {MenuKind::Separator, 0, nullptr, MenuDynamic::None};
constexpr MenuRow kEnd = {MenuKind::SubEnd, 0, nullptr, MenuDynamic::None};

#define LV_RATING_SUB                                                                                 \
    sub("CtxRating"), item(kCmdRateNone), item(2201), item(2202), item(2203), item(2204), item(2205), \
        item(kCmdRateReject), kEnd
#define LV_LABEL_SUB \
    sub("CtxLabel"), item(kCmdLabelNone), item(kCmdLabelRed), item(kCmdLabelYellow), item(kCmdLabelGreen), kEnd
#define LV_ORDER_SUB                                                                                   \
    sub("MenuOrderBy"), item(kCmdOrderFirst), item(kCmdOrderFirst + 1), item(kCmdOrderFirst + 2),      \
        item(kCmdOrderFirst + 3), item(kCmdOrderFirst + 4), kEnd

const MenuRow kBar[] = {
    sub("MenuFile"), item(kCmdImport), kSep, item(kCmdOpenFolder), item(kCmdOpenFile), item(kCmdOpenClipboard),
    sub("MenuOpenRecent"), dyn(MenuDynamic::RecentFolders), kEnd, kSep, item(kCmdExport),
    sub("MenuRecentExports"), dyn(MenuDynamic::RecentExports), kEnd, kSep, item(kCmdExit), kEnd,
    sub("MenuView"), item(kCmdFocusIndication), item(kCmdFocusLoupe), item(kCmdCentreLoupe), kSep, item(kCmdCrop),
    kSep, item(kCmdPanel), item(kCmdStrip), item(kCmdStatusBar), kSep, LV_ORDER_SUB, kSep, item(kCmdSettings), kEnd,
    sub("MenuOrganize"), item(kCmdFilterDialog), item(kCmdApplyFilter), sub("MenuSavedFilters"),
    dyn(MenuDynamic::SavedFilters), kEnd, kEnd,
    sub("MenuHelp"), item(kCmdControls), kSep, item(kCmdAbout), kEnd,
};
const MenuRow kPhotoMenu[] = {
    item(kCmdAddLoupe), kSep, LV_RATING_SUB, LV_LABEL_SUB, kSep, item(kCmdFocusIndication), item(kCmdFocusLoupe),
    item(kCmdCrop), kSep, item(kCmdPanel), item(kCmdStrip), kSep, item(kCmdCopyName), item(kCmdReveal),
};
const MenuRow kPanelMenu[] = {
    sub("CtxCopy"), item(kCmdCopyMeta), item(kCmdCopySection), item(kCmdCopyItem), kEnd,
    sub("CtxSections"), dyn(MenuDynamic::PanelSections), kEnd, item(kCmdSwapPanel), item(kCmdHidePanel),
};
const MenuRow kThumbMenu[] = {
    LV_RATING_SUB, LV_LABEL_SUB, item(kCmdJump), kSep, item(kCmdFilterDialog), item(kCmdApplyFilter),
    sub("MenuSavedFilters"), dyn(MenuDynamic::SavedFilters), kEnd, kSep, LV_ORDER_SUB, kSep, item(kCmdExport),
    item(kCmdStatusBar), kSep, item(kCmdCopyName), item(kCmdReveal),
};

std::span<const MenuRow> rowsOf(MenuId id) {
    switch (id) {
        case MenuId::Bar: return kBar;
        case MenuId::Photo: return kPhotoMenu;
        case MenuId::Panel: return kPanelMenu;
        case MenuId::Thumbnail: return kThumbMenu;
    }
    return {};
}

bool needsPhoto(int c) {
    return (c >= kCmdRateNone && c <= kCmdRateReject) || (c >= kCmdLabelNone && c <= kCmdLabelGreen) ||
           c == kCmdCopyName || c == kCmdReveal || c == kCmdJump;
}

void markLine(MenuLine& l, const MenuContext& ctx) {
    int c = l.command;
    if (c >= kCmdOrderFirst && c <= kCmdOrderLast) {
        l.radio = l.checked = c - kCmdOrderFirst == ctx.orderingMode;
        return;
    }
    if (!ctx.ui) return;
    const ViewerUi& u = *ctx.ui;
    switch (c) {
        case kCmdFocusIndication: l.checked = u.focusIndicationOn; break;
        case kCmdFocusLoupe: l.checked = u.focusLoupeOn; break;
        case kCmdCentreLoupe: l.checked = u.centreLoupeOn; break;
        case kCmdCrop: l.checked = u.cropOn; break;
        case kCmdPanel: l.checked = u.panelShown; break;
        case kCmdStrip: l.checked = u.stripShown; break;
        case kCmdStatusBar: l.checked = u.statusBarShown; break;
        default: break;
    }
}

}  // namespace

MenuLine addLoupeEntry(const ViewerUi& ui) {
    MenuLine l;
    l.command = kCmdAddLoupe;
    if (int(ui.loupes.size()) >= kMaxLoupes) {
        l.text = fillPlaceholder(text("CtxAddLoupeFull"), "{max}", std::to_string(kMaxLoupes));
        l.greyed = true;
    } else {
        l.text = text("CtxAddLoupe");
    }
    return l;
}

std::vector<MenuLine> menuLines(MenuId id, const MenuContext& ctx) {
    std::vector<MenuLine> out;
    if (id == MenuId::Photo && (ctx.onLoupe || ctx.onFocusLoupe)) {
        MenuLine rm;
        rm.command = kCmdRemoveLoupe;
        rm.text = text(ctx.onFocusLoupe ? "CtxRemoveFocusLoupe" : "CtxRemoveLoupe");
        out.push_back(rm);
        MenuLine sep;
        sep.kind = MenuKind::Separator;
        out.push_back(sep);
    }
    for (const MenuRow& r : rowsOf(id)) {
        if (r.command == kCmdAddLoupe && ctx.ui) {
            out.push_back(addLoupeEntry(*ctx.ui));
            continue;
        }
        MenuLine l;
        l.kind = r.kind;
        l.command = r.command;
        l.dynamic = r.dynamic;
        if (r.textKey) {
            l.text = text(r.textKey);
        } else if (r.command > kCmdRateNone && r.command < kCmdRateReject) {
            l.text = std::string(size_t(r.command - kCmdRateNone), '*');
        } else if (r.command) {
            l.text = text(commandTextKey(r.command));
        }
        if (r.kind == MenuKind::Item) {
            markLine(l, ctx);
            l.greyed = !ctx.hasPhoto && needsPhoto(r.command);
        }
        out.push_back(std::move(l));
    }
    return out;
}

// [SECTION] accelerators

namespace {
const Accelerator kAccelerators[] = {
    {kVkF1, kCmdControls}, {'I', kCmdPanel}, {'T', kCmdStrip}, {'S', kCmdSettings}};
}
std::span<const Accelerator> accelerators() { return kAccelerators; }

// [SECTION] photo size, full screen

bool stepPhotoSize(ViewerUi& ui, int direction) {
    int next = std::clamp(ui.photoSize + (direction > 0 ? kPhotoSizeStep : -kPhotoSizeStep), kPhotoSizeMin,
                          kPhotoSizeMax);
    if (next == ui.photoSize) return false;
    ui.photoSize = next;
    return true;
}

void setFullScreen(ViewerUi& ui, bool on) {
    if (on == ui.fullScreen) return;
    if (on) {
        ui.savedPanel = ui.panelShown;
        ui.savedStrip = ui.stripShown;
        ui.savedStatusBar = ui.statusBarShown;
        ui.panelShown = ui.stripShown = ui.statusBarShown = false;
    } else {
        ui.panelShown = ui.savedPanel;
        ui.stripShown = ui.savedStrip;
        ui.statusBarShown = ui.savedStatusBar;
    }
    ui.strip.statusBarShown = ui.statusBarShown;
    ui.fullScreen = on;
}

// [SECTION] slideshow

int slideshowInterval(int ms) { return std::clamp(ms, kSlideshowMsMin, kSlideshowMsMax); }

bool slideshowStep(ViewerUi& ui, FolderState& f, uint32_t nowMs) {
    if (!ui.slideshowOn) return false;
    int len = visibleLength(f);
    int next = f.currentPosition + ui.slideshowDir;
    ui.slideshowIntervalStart = nowMs;
    if (next < 0 || next >= len) {
        ui.slideshowOn = false;
        return false;
    }
    f.currentPosition = next;
    if (next == len - 1) ui.slideshowOn = false;
    return true;
}

bool slideshowStart(ViewerUi& ui, FolderState& f, uint32_t nowMs) {
    int len = visibleLength(f);
    if (len < 2 || f.currentPosition >= len - 1) return false;
    ui.slideshowOn = true;
    ui.slideshowDir = 1;
    return slideshowStep(ui, f, nowMs);
}

void slideshowStop(ViewerUi& ui) { ui.slideshowOn = false; }

int slideshowProgress(const ViewerUi& ui, uint32_t nowMs) {
    if (!ui.slideshowOn) return 0;
    uint64_t elapsed = uint32_t(nowMs - ui.slideshowIntervalStart);
    return int(std::min<uint64_t>(1000, elapsed * 1000 / uint64_t(slideshowInterval(ui.slideshowMs))));
}

// [SECTION] loupes

bool addLoupe(ViewerUi& ui, const Loupe& l) {
    if (int(ui.loupes.size()) >= kMaxLoupes) return false;
    ui.loupes.push_back(l);
    return true;
}

bool removeLoupe(ViewerUi& ui, int index) {
    if (index < 0 || index >= int(ui.loupes.size())) return false;
    ui.loupes.erase(ui.loupes.begin() + index);
    return true;
}

// [SECTION] key map

namespace {

bool moveTo(FolderState& f, int pos, KeyOutcome& o) {
    int len = visibleLength(f);
    if (len <= 0) return false;
    pos = std::clamp(pos, 0, len - 1);
    if (pos == f.currentPosition) return false;
    f.currentPosition = pos;
    o.show = true;
    return true;
}

// Left / Right: burst jump with Ctrl, slideshow direction while it runs, else one step.
void sideways(ViewerUi& ui, FolderState& f, const KeyInput& k, int dir, uint32_t now, KeyOutcome& o) {
    if (k.ctrl) {
        int pos = dir > 0 ? nextBurstPosition(f, f.currentPosition) : previousBurstPosition(f, f.currentPosition);
        if (pos >= 0) moveTo(f, pos, o);
        return;
    }
    if (ui.slideshowOn) {
        ui.slideshowDir = dir;
        o.show = slideshowStep(ui, f, now);
        o.slideshowTimer = ui.slideshowOn ? TimerChange::Restart : TimerChange::Stop;
        return;
    }
    moveTo(f, f.currentPosition + dir, o);
}

}  // namespace

KeyOutcome handleKey(ViewerUi& ui, FolderState& f, const KeyInput& key, uint32_t now) {
    KeyOutcome o;
    int vk = key.vk;
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) vk = kVk0 + (vk - kVkNumpad0);
    if (vk == kVkOemPlus) vk = kVkAdd;
    if (vk == kVkOemMinus) vk = kVkSubtract;
    bool hasPhoto = visibleToPhoto(f, f.currentPosition) >= 0;
    int len = visibleLength(f);
    o.handled = true;
    switch (vk) {
        case kVkSpace:
            if (key.ctrl) {
                if (f.playback.playing) {
                    stopBurstPlayback(f, true);
                    o.burstTimer = TimerChange::Stop;
                    o.show = true;
                } else if (startBurstPlayback(f)) {
                    o.burstTimer = TimerChange::Start;
                    o.show = true;
                }
            } else if (ui.slideshowOn) {
                slideshowStop(ui);
                o.slideshowTimer = TimerChange::Stop;
            } else if (slideshowStart(ui, f, now)) {
                o.show = true;
                o.slideshowTimer = ui.slideshowOn ? TimerChange::Start : TimerChange::Keep;
            }
            break;
        case kVkEscape:
            if (ui.fullScreen) {
                setFullScreen(ui, false);
                o.fullScreenChanged = o.relayout = true;
            } else {
                o.command = kCmdExit;
            }
            break;
        case kVkF12:
            setFullScreen(ui, !ui.fullScreen);
            o.fullScreenChanged = o.relayout = true;
            break;
        case kVkSubtract: o.relayout = stepPhotoSize(ui, -1); break;
        case kVkAdd: o.relayout = stepPhotoSize(ui, +1); break;
        case kVkLeft: sideways(ui, f, key, -1, now, o); break;
        case kVkRight: sideways(ui, f, key, +1, now, o); break;
        case kVkPrior: moveTo(f, f.currentPosition - (key.shift ? 10 : std::max(ui.strip.screenful, 1)), o); break;
        case kVkNext: moveTo(f, f.currentPosition + (key.shift ? 10 : std::max(ui.strip.screenful, 1)), o); break;
        case kVkHome: moveTo(f, 0, o); break;
        case kVkEnd: moveTo(f, len - 1, o); break;
        case 'R':
            if (hasPhoto) {
                o.command = kCmdRateReject;
                o.show = f.playback.playing;
            }
            break;
        case 'X': o.command = key.shift ? kCmdFilterDialog : kCmdApplyFilter; break;
        case 'F':
            if (key.shift)
                ui.focusLoupeOn = !ui.focusLoupeOn;
            else
                ui.focusIndicationOn = !ui.focusIndicationOn;
            o.repaint = true;
            break;
        case 'L':
            ui.centreLoupeOn = !ui.centreLoupeOn;
            o.repaint = true;
            break;
        default:
            if (vk >= kVk0 && vk <= kVk0 + 9) {
                int d = vk - kVk0;
                if (!hasPhoto) break;
                if (d <= 5)
                    o.command = kCmdRateNone + d;
                else if (d <= 8)
                    o.command = kCmdLabelRed + (d - 6);
                else
                    o.command = kCmdLabelNone;
                break;
            }
            o.handled = false;  // modifiers alone and every other key
    }
    return o;
}

SidecarCommandResult applyCullCommand(FolderState& f, int command) {
    int photo = visibleToPhoto(f, f.currentPosition);
    if (photo < 0) return {};
    if (command >= kCmdRateNone && command < kCmdRateReject) return setRating(f.photos, photo, command - kCmdRateNone);
    if (command == kCmdRateReject) return toggleReject(f.photos, photo);
    static const char* const kLabels[] = {"", "Red", "Yellow", "Green"};
    if (command >= kCmdLabelNone && command <= kCmdLabelGreen) return setLabel(f.photos, photo, kLabels[command - kCmdLabelNone]);
    return {};
}

bool applyViewCommand(ViewerUi& ui, FolderState& f, int command) {
    (void)f;
    switch (command) {
        case kCmdFocusIndication: ui.focusIndicationOn = !ui.focusIndicationOn; return true;
        case kCmdFocusLoupe: ui.focusLoupeOn = !ui.focusLoupeOn; return true;
        case kCmdCrop: ui.cropOn = !ui.cropOn; return true;
        case kCmdCentreLoupe: ui.centreLoupeOn = !ui.centreLoupeOn; return true;
        case kCmdPanel: ui.panelShown = !ui.panelShown; return true;
        case kCmdHidePanel: ui.panelShown = false; return true;
        case kCmdSwapPanel: ui.panelSide = ui.panelSide == 1 ? 0 : 1; return true;
        case kCmdStrip: ui.stripShown = !ui.stripShown; return true;
        case kCmdStatusBar:
            ui.statusBarShown = !ui.statusBarShown;
            ui.strip.statusBarShown = ui.statusBarShown;
            return true;
        default: return false;
    }
}

// [SECTION] Controls dialog

namespace {
const char* const kControls[] = {
    "@|Application",
    "F1|Controls",
    "I|Shot information panel",
    "T|Thumbnail strip",
    "S|Settings dialog",
    "F|Focus point indication",
    "F12|Full-screen photo view",
    "Drag & drop|Open file / folder",
    "Esc|Quit",
    "@|Navigation",
    "Left / Right|Previous / next photo, slideshow direction",
    "Ctrl+Left / Right|Previous / next burst group",
    "PgUp / PgDn|Jump one screen of images",
    "Shift+PgUp / PgDn|Jump 10 photos",
    "Home / End|First / last photo",
    "Space|Start / stop slideshow",
    "Ctrl+Space|Start / stop burst playback",
    "@|Rating",
    "1 / 2 / 3 / 4 / 5|Set star rating",
    "0|Clear star rating",
    "6 / 7 / 8|Set Red / Yellow / Green label",
    "9|Clear colour label",
    "R|Reject / un-reject the photo",
    "@|Magnification",
    "Shift+F|Toggle focus point loupe",
    "L|Toggle a loupe at the image centre",
    "Context menu on image|Manage persistent loupe",
    "Middle mouse button|Display temporary loupe",
    "Drag bottom right corner|Resize loupe",
    "- / +|Adjust photo size for more comfy viewing",
    "@|Filter",
    "Shift+X|Configure the filter",
    "X|Apply / remove thumbnail strip filter",
    "@|Context aware",
    "Right-click|Menu of context actions",
};
}  // namespace

std::span<const char* const> controlsRows() { return kControls; }

}  // namespace lv
