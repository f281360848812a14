// Errors that escape a command or an event handler are shown with their
// text, and the program goes on.

#include <QCoreApplication>
#include <QEvent>
#include <stdexcept>

#include "app/application.h"
#include "app/command_states.h"
#include "app_test_support.h"

namespace {

class Throwing : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("boom in a handler");
        return QObject::event(e);
    }
};

}  // namespace

TEST_F(AppTest, GuardedCommandReportsItsErrorAndReturns) {
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("C:\\x に書き込めません"); }));
    EXPECT_TRUE(RunGuarded([] {}));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages[0].Title, "Zinop");
    EXPECT_EQ(Messages[0].Text, "C:\\x に書き込めません");
}

TEST_F(AppTest, ApplicationReportsAnErrorEscapingAnEventHandler) {
    // The tests run under the program's own application object.
    ASSERT_NE(qobject_cast<TZinopApplication*>(QCoreApplication::instance()), nullptr);
    Throwing receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages[0].Text, "boom in a handler");
    // The program goes on: the next event is delivered (and reported) too.
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(Messages.size(), 2u);
}

TEST(CommandStates, TableOfStates) {
    TCommandInputs in;
    TCommandStates s = ComputeCommandStates(in);  // no active child
    EXPECT_EQ(s.Open, true);
    EXPECT_EQ(s.Settings, true);
    EXPECT_EQ(s.Reduce, false);
    EXPECT_FALSE(s.WindowCommands);
    EXPECT_FALSE(s.ResetBusy);

    in.HasActiveChild = true;
    in.ActiveKind = pkIndexed;
    s = ComputeCommandStates(in);
    EXPECT_EQ(s.Reduce, false);
    EXPECT_EQ(s.Save, true);
    EXPECT_EQ(s.Copy, true);
    EXPECT_TRUE(s.ResetBusy);

    in.ActiveKind = pkNone;
    s = ComputeCommandStates(in);
    EXPECT_FALSE(s.Reduce.has_value());
    EXPECT_EQ(s.Settings, true);

    in.Running = true;
    in.ActiveKind = pkBatch;
    in.GatherCandidates = 2;
    s = ComputeCommandStates(in);
    EXPECT_EQ(s.Separate, true);  // a batch activated during another window's run
    EXPECT_EQ(s.Cancel, true);
    EXPECT_EQ(s.Settings, false);
    EXPECT_EQ(s.View, false);
    EXPECT_TRUE(s.Gather);
    EXPECT_FALSE(s.Merge);
    EXPECT_FALSE(s.ResetBusy);
}

TEST(CommandStates, GatherSkipsPastedMinimizedAndBusyPictures) {
    TPictureRecord r;
    r.Kind = pkFullColour;
    r.FileName = "/a.bmp";
    EXPECT_TRUE(CanGather(r, false));
    EXPECT_FALSE(CanGather(r, true));
    r.FileName = "Clipboard";
    EXPECT_FALSE(CanGather(r, false));
    r.Kind = pkBatch;
    EXPECT_TRUE(CanMerge(r, false));
    r.Busy = 1;
    EXPECT_FALSE(CanMerge(r, false));
}
