#include "foundation/MessageDialogs.h"
#include "foundation/ScriptedMessageDialogs.h"

#include <gtest/gtest.h>

TEST(MessageDialogs, PlacementKeepsTwentyPixelsInside)
{
    const TScreenRect screen{0, 0, 1920, 1080};
    EXPECT_EQ(PlaceDialog(screen, 400, 200, {-1, -1}), (TScreenPoint{760, 440}));
    EXPECT_EQ(PlaceDialog(screen, 400, 200, {-1, 300}), (TScreenPoint{20, 300}));
    EXPECT_EQ(PlaceDialog(screen, 400, 200, {100, -5}), (TScreenPoint{100, 20}));
    EXPECT_EQ(PlaceDialog(screen, 400, 200, {1800, 1000}), (TScreenPoint{1500, 860}));
    EXPECT_EQ(PlaceDialog(screen, 400, 200, {1520, 880}), (TScreenPoint{1520, 880}));
    EXPECT_EQ(PlaceDialog(TScreenRect{1920, 0, 1280, 1024}, 400, 200, {3100, 10}), (TScreenPoint{2780, 10}));
}

TEST(MessageDialogs, ScriptedAnswersAreUsedInOrderThenCloseResults)
{
    TScriptedMessageDialogs dialogs;
    dialogs.QueueAnswer(MrYes);
    dialogs.QueueAnswer(MrNo);
    EXPECT_TRUE(ConfirmDialog("Q", "first?"));
    EXPECT_FALSE(ConfirmDialogAt("Q", "second?", {10, 20}));
    EXPECT_FALSE(ConfirmDialog("Q", "closed?"));
    EXPECT_EQ(MessageDialog("", "x", TMsgDlgType::Warning, MbYesNoCancel), MrCancel);
    EXPECT_EQ(InfoDialog("", "info"), MrOk);
    dialogs.OnShow = [](const TMessageRequest& r) { return r.type == TMsgDlgType::Error ? MrIgnore : MrOk; };
    EXPECT_EQ(ErrorDialogAt("E", "bad", {1, 2}), MrIgnore);

    const auto shown = dialogs.Shown();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[1].point, (TScreenPoint{10, 20}));
    EXPECT_EQ(shown[1].buttons, MbYesNo);
    EXPECT_EQ(shown[1].type, TMsgDlgType::Confirmation);
    EXPECT_EQ(shown[4].buttons, MbOk);
    EXPECT_EQ(shown[5].caption, "E");
    EXPECT_EQ(dialogs.LastText(), "bad");
}

TEST(MessageDialogs, ScriptedDialogsUnregisterWhenGone)
{
    {
        TScriptedMessageDialogs dialogs;
        dialogs.SetCursorPos({5, 6});
        EXPECT_EQ(CursorPointOffset({10, 10}), (TScreenPoint{15, 16}));
        {
            TScriptedMessageDialogs inner;
            inner.QueueAnswer(MrYes);
            EXPECT_TRUE(ConfirmDialog("", "inner"));
            EXPECT_EQ(dialogs.ShownCount(), 0u);
        }
        EXPECT_EQ(GetCursorPoint(), (TScreenPoint{5, 6}));
    }
    EXPECT_EQ(&MessageDialogs(), &MessageDialogs());
    EXPECT_EQ(CloseResult(MbOkCancel), MrCancel);
    EXPECT_EQ(CloseResult(MbYesNo), MrNo);
    EXPECT_EQ(CloseResult(MbOk), MrOk);
}
