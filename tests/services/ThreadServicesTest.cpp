// Services on a worker thread: what the work says is kept away from the window's services until
// the user-interface thread tells it, in the order it was said.

#include "services/Services.h"

#include "ScriptedServices.h"

#include <gtest/gtest.h>

#include <thread>

TEST(ThreadServices, AWorkersMessagesWaitForTheReplayAndKeepTheirOrder) {
  CScriptedServices window;
  CDeferredServices said;
  std::thread worker([&said] {
    const CThreadServices own(said);
    Trace("can't open imagefile %s!", "a.bmp");
    Services().MessageBox("The image is not properly colsed....,too bad!");
  });
  worker.join();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.traces.empty());

  said.Replay();
  EXPECT_EQ(window.traces, std::vector<std::string>{"can't open imagefile a.bmp!"});
  EXPECT_EQ(window.messages, std::vector<std::string>{"The image is not properly colsed....,too bad!"});
  said.Replay();  // told once only
  EXPECT_EQ(window.messages.size(), 1u);
}

TEST(ThreadServices, TheGuardLeavesOtherThreadsAndItsOwnEndAlone) {
  CScriptedServices window;
  CDeferredServices said;
  {
    const CThreadServices own(said);
    std::thread other([] { Services().MessageBox("from another thread"); });
    other.join();
    Services().MessageBox("kept");
  }
  Services().MessageBox("after the guard");
  EXPECT_EQ(window.messages, (std::vector<std::string>{"from another thread", "after the guard"}));
}
