#include <gtest/gtest.h>

#include "core/texts.h"
#include "viewer/commands.h"

using namespace lv;

namespace {

FolderState photos(int n) {
    FolderState f;
    f.folder = "/s/";
    resetPhotoList(f.photos, n);
    for (int i = 0; i < n; i++) f.photos.path[size_t(i)] = "/s/P" + std::to_string(100 + i) + ".NEF";
    rebuildVisibleList(f);
    return f;
}

const MenuLine* find(const std::vector<MenuLine>& lines, int command) {
    for (const MenuLine& l : lines)
        if (l.command == command) return &l;
    return nullptr;
}

}  // namespace

TEST(Layout, MetricsAndStripHeightFollowTheDpi) {
    StripLayout s;
    s.m = metricsFor(96);
    setStripHeight(s, 200, 1000);
    EXPECT_EQ(s.stripHeight, 120);
    EXPECT_EQ(cellWidth(s), 160);  // 106-high thumbnail
    setStripHeight(s, 100, 200);   // too short a window still gets the lowest strip
    EXPECT_EQ(s.stripHeight, 60);
    EXPECT_EQ(cellWidth(s), 69);
    relayoutStrip(s, 1000);
    EXPECT_EQ(s.screenful, 14);

    Metrics m = metricsFor(144);
    EXPECT_EQ(m.defaultW, 1920);
    EXPECT_EQ(m.defaultH, 1080);
    EXPECT_EQ(m.stripMin, 90);
    EXPECT_EQ(m.stripMax, 180);
    EXPECT_EQ(metricsFor(120).stripGap, 20);
    EXPECT_EQ(pxUp(250, 97), 253);
    EXPECT_EQ(panelWidthFor(metricsFor(96), 100, 1280), 250);
    EXPECT_EQ(panelWidthFor(metricsFor(96), 2000, 1280), 1130);
}

TEST(Layout, ADialogTakesTheFirstSizeThatFitsTheWorkArea) {
    const Rect sizes[] = {{0, 0, 760, 582}, {0, 0, 940, 432}};  // tall, then wide
    struct Case {
        int dpi, workW, workH, want;
    } cases[] = {
        {96, 1920, 1040, 0},   // the first fits
        {144, 1920, 1020, 0},  // 873 + 46 of 1020
        {192, 1920, 1000, 1},  // 1164 + 46 too tall; 1880 + 16 wide fits
        {192, 1600, 860, 1},   // neither fits: the wide one overflows by 296, the tall one by 350
        {144, 1366, 728, 1},   // a small laptop: wide overflows by 60, tall by 191
        {96, 700, 500, 0},     // tall overflows by 128, wide by 256
    };
    for (const Case& c : cases)
        EXPECT_EQ(firstSizeThatFits(sizes, 2, c.dpi, 16, 46, c.workW, c.workH), c.want) << c.dpi << " " << c.workW;
}

TEST(Layout, StripScrollingInBothFollowModes) {
    StripLayout s;
    s.stripFollow = 1;
    EXPECT_EQ(firstVisibleFor(s, 2, 9, 4, 52), 0);
    EXPECT_EQ(firstVisibleFor(s, 50, 9, 4, 52), 43);
    EXPECT_EQ(firstVisibleFor(s, 20, 9, 40, 52), 12);  // centre cell clamped to 8

    s.stripFollow = 0;
    s.firstVisible = 10;
    EXPECT_EQ(firstVisibleFor(s, 18, 9, 4, 52), 10);  // last visible cell
    EXPECT_EQ(firstVisibleFor(s, 19, 9, 4, 52), 11);  // one cell further
    EXPECT_EQ(firstVisibleFor(s, 5, 9, 4, 52), 5);
    EXPECT_EQ(firstVisibleFor(s, 0, 0, 0, 0), 0);
}

TEST(KeyMap, AnEmptyStripMovesAndRatesNothing) {
    FolderState f = photos(0);
    ViewerUi ui;
    for (int vk : {int(kVkHome), int(kVkEnd), int(kVkPrior), int(kVkNext), int(kVkLeft), int(kVkRight), int('3'), int('7'), int('R')}) {
        KeyOutcome o = handleKey(ui, f, KeyInput{vk});
        EXPECT_FALSE(o.show) << vk;
        EXPECT_EQ(o.command, kCmdNone) << vk;
        EXPECT_EQ(f.currentPosition, 0);
    }
    EXPECT_FALSE(handleKey(ui, f, KeyInput{kVkShift}).handled);
}

TEST(KeyMap, MovesAndCommands) {
    FolderState f = photos(30);
    ViewerUi ui;
    ui.strip.screenful = 7;
    struct Row {
        KeyInput key;
        int expectPos;
        int expectCommand;
    } rows[] = {
        {{kVkRight}, 1, 0},          {{kVkNext}, 8, 0},         {{kVkNext, true}, 18, 0},
        {{kVkEnd}, 29, 0},           {{kVkRight}, 29, 0},       {{kVkPrior, true}, 19, 0},
        {{kVkHome}, 0, 0},           {{kVkLeft}, 0, 0},         {{kVkNumpad0 + 4}, 0, 2204},
        {{'0'}, 0, kCmdRateNone},    {{'6'}, 0, kCmdLabelRed},  {{'9'}, 0, kCmdLabelNone},
        {{'R'}, 0, kCmdRateReject},  {{'X'}, 0, kCmdApplyFilter}, {{'X', true}, 0, kCmdFilterDialog},
        {{kVkEscape}, 0, kCmdExit},
    };
    for (const Row& r : rows) {
        KeyOutcome o = handleKey(ui, f, r.key);
        EXPECT_EQ(f.currentPosition, r.expectPos) << r.key.vk;
        EXPECT_EQ(o.command, r.expectCommand) << r.key.vk;
    }
    handleKey(ui, f, KeyInput{'F', true});
    EXPECT_TRUE(ui.focusLoupeOn);
    EXPECT_FALSE(ui.focusIndicationOn);
    handleKey(ui, f, KeyInput{kVkF12});
    EXPECT_TRUE(ui.fullScreen);
    EXPECT_FALSE(ui.stripShown);
    EXPECT_EQ(handleKey(ui, f, KeyInput{kVkEscape}).command, kCmdNone);  // leaves full screen first
    EXPECT_TRUE(ui.stripShown);
}

TEST(KeyMap, PhotoSizeStaysWithinTwentyAndHundred) {
    FolderState f = photos(3);
    ViewerUi ui;
    EXPECT_FALSE(handleKey(ui, f, KeyInput{kVkAdd}).relayout);
    EXPECT_EQ(ui.photoSize, 100);
    for (int i = 0; i < 12; i++) handleKey(ui, f, KeyInput{kVkOemMinus});
    EXPECT_EQ(ui.photoSize, 20);
    EXPECT_TRUE(handleKey(ui, f, KeyInput{kVkOemPlus}).relayout);
    EXPECT_EQ(ui.photoSize, 30);
}

TEST(Slideshow, TurnsAtTheFirstPhotoAndStops) {
    FolderState f = photos(4);
    ViewerUi ui;
    KeyOutcome o = handleKey(ui, f, KeyInput{kVkSpace}, 1000);
    EXPECT_TRUE(ui.slideshowOn);
    EXPECT_EQ(o.slideshowTimer, TimerChange::Start);
    EXPECT_EQ(f.currentPosition, 1);
    EXPECT_EQ(slideshowProgress(ui, 1500), 500);
    o = handleKey(ui, f, KeyInput{kVkLeft}, 1200);  // turns backward and steps at once
    EXPECT_EQ(f.currentPosition, 0);
    EXPECT_EQ(ui.slideshowDir, -1);
    EXPECT_EQ(o.slideshowTimer, TimerChange::Restart);
    EXPECT_FALSE(slideshowStep(ui, f, 2200));  // would leave the list
    EXPECT_FALSE(ui.slideshowOn);
    EXPECT_EQ(f.currentPosition, 0);

    f.currentPosition = 3;  // not started at the last photo
    EXPECT_FALSE(slideshowStart(ui, f, 0));
    f.currentPosition = 1;
    ASSERT_TRUE(slideshowStart(ui, f, 0));
    EXPECT_TRUE(slideshowStep(ui, f, 0));  // shows the last photo, then stops
    EXPECT_EQ(f.currentPosition, 3);
    EXPECT_FALSE(ui.slideshowOn);
    EXPECT_EQ(slideshowInterval(5), 100);
}

TEST(Menus, TheEighthLoupeGreysTheAddEntry) {
    ViewerUi ui;
    for (int i = 0; i < 7; i++) ASSERT_TRUE(addLoupe(ui, Loupe{}));
    MenuContext ctx;
    ctx.ui = &ui;
    ctx.hasPhoto = true;
    EXPECT_FALSE(find(menuLines(MenuId::Photo, ctx), kCmdAddLoupe)->greyed);
    ASSERT_TRUE(addLoupe(ui, Loupe{}));
    EXPECT_FALSE(addLoupe(ui, Loupe{}));
    std::vector<MenuLine> menu = menuLines(MenuId::Photo, ctx);
    const MenuLine* add = find(menu, kCmdAddLoupe);
    EXPECT_TRUE(add->greyed);
    EXPECT_EQ(add->text, "Add persistent loupe (all 8 are open)");
    ctx.onFocusLoupe = true;
    EXPECT_EQ(menuLines(MenuId::Photo, ctx).front().text, text("CtxRemoveFocusLoupe"));
}

TEST(Menus, MarksFollowTheState) {
    ViewerUi ui;
    ui.cropOn = true;
    ui.stripShown = false;
    MenuContext ctx;
    ctx.ui = &ui;
    ctx.orderingMode = kOrderTimeNew;
    std::vector<MenuLine> bar = menuLines(MenuId::Bar, ctx);
    EXPECT_TRUE(find(bar, kCmdCrop)->checked);
    EXPECT_FALSE(find(bar, kCmdStrip)->checked);
    EXPECT_TRUE(find(bar, kCmdPanel)->checked);
    EXPECT_TRUE(find(bar, kCmdOrderFirst + int(kOrderTimeNew))->radio);
    EXPECT_FALSE(find(bar, kCmdOrderFirst)->checked);
    int depth = 0, tops = 0;
    for (const MenuLine& l : bar) {
        if (l.kind == MenuKind::SubBegin && depth++ == 0) tops++;
        if (l.kind == MenuKind::SubEnd) depth--;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(tops, 4);
    std::vector<MenuLine> thumb = menuLines(MenuId::Thumbnail, ctx);  // no photo under the pointer
    EXPECT_TRUE(find(thumb, 2203)->greyed);
    EXPECT_EQ(find(thumb, 2203)->text, "***");
    for (const CommandText& c : commandTexts()) EXPECT_NE(text(c.textKey), c.textKey) << c.command;
    EXPECT_EQ(accelerators().size(), 4u);
    EXPECT_EQ(controlsRows().front(), std::string("@|Application"));
}
