// The editor's message boxes inside the real message loop: one box at a time, synchronous
// requests and their results, asynchronous boxes and the diagnostic line of their callback.
#include "editor/MainContentComponent.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
 #include <sanitizer/common_interface_defs.h>
 #define ORVANE_SANITIZED 1
#endif

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using orvane::test::runMessageLoopFor;
using orvane::test::runMessageLoopUntil;

namespace
{
const juce::String title ("Orvane Editor");
const std::string line0 = "messageBoxCallback: exit with result = 0\n";

/** Sends everything written to the standard error stream (file descriptor 2) to a file of
    its own while it exists. A sanitizer's report still reaches the real stream. */
class StderrCapture
{
public:
    StderrCapture() : file (std::tmpfile()), savedStderr (dup (2))
    {
        std::cerr.flush();
        std::fflush (stderr);
#ifdef ORVANE_SANITIZED
        __sanitizer_set_report_fd (reinterpret_cast<void*> ((intptr_t) savedStderr));
#endif
        dup2 (fileno (file), 2);
    }

    ~StderrCapture()
    {
        std::cerr.flush();
        std::fflush (stderr);
        dup2 (savedStderr, 2);
#ifdef ORVANE_SANITIZED
        __sanitizer_set_report_fd (reinterpret_cast<void*> ((intptr_t) 2));
#endif
        close (savedStderr);
        std::fclose (file);
    }

    /** The bytes written so far, read without moving the shared file offset. */
    std::string text() const
    {
        struct stat info
        {
        };
        fstat (fileno (file), &info);
        std::string bytes ((size_t) info.st_size, '\0');
        const auto got = pread (fileno (file), bytes.data(), bytes.size(), 0);
        bytes.resize (got > 0 ? (size_t) got : 0);
        return bytes;
    }

private:
    std::FILE* file;
    int savedStderr;
};

CustomAlertWindow* frontBox()
{
    return dynamic_cast<CustomAlertWindow*> (juce::ModalComponentManager::getInstance()->getModalComponent (0));
}

int numberOfBoxes()
{
    int count = 0;
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (dynamic_cast<CustomAlertWindow*> (desktop.getComponent (i)) != nullptr)
            ++count;
    return count;
}

/** The box's buttons from left to right. */
std::vector<juce::TextButton*> buttonsOf (CustomAlertWindow& box)
{
    std::vector<juce::TextButton*> buttons;
    for (auto* child : box.getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
            buttons.push_back (button);
    std::sort (buttons.begin(), buttons.end(), [] (auto* a, auto* b)
               { return a->getX() < b->getX(); });
    return buttons;
}

enum class Input
{
    escape,
    returnKey,
    closeRequest,
    clickFirst,
    clickSecond
};

/** Delivers a key or a close request as the window system does, or clicks a button. */
void deliver (CustomAlertWindow* box, Input input)
{
    ASSERT_NE (box, nullptr);
    auto* peer = box->getPeer();
    ASSERT_NE (peer, nullptr);
    switch (input)
    {
        case Input::escape: peer->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey)); break;
        case Input::returnKey: peer->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey)); break;
        case Input::closeRequest: peer->handleUserClosingWindow(); break;
        case Input::clickFirst: buttonsOf (*box).at (0)->triggerClick(); break;
        case Input::clickSecond: buttonsOf (*box).at (1)->triggerClick(); break;
    }
}

class MessageBoxes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor = std::make_unique<MainContentComponent>();
        failsafe.startTimer (10000);
    }

    void TearDown() override
    {
        alive.reset();
        editor.reset();
        runMessageLoopFor (50);   // callbacks of boxes closed by the destruction run here
        EXPECT_EQ (numberOfBoxes(), 0);
    }

    /** Runs an action on the message thread after a delay, unless the test has ended. */
    void after (int milliseconds, std::function<void()> action)
    {
        juce::Timer::callAfterDelay (milliseconds, [token = std::weak_ptr<int> (alive), action]
                                     {
            if (! token.expired())
                action(); });
    }

    int showSync (const juce::String& first, int firstResult, const juce::String& second, int secondResult)
    {
        return editor->showMessageBox (title, "Overwrite the user slot?", first, firstResult, second, secondResult, nullptr);
    }

    int showAsync (const juce::String& message, const juce::String& button, int result)
    {
        return editor->showMessageBox (title, message, button, result, {}, 0, &MainContentComponent::messageBoxCallback);
    }

    /** Ends every box that a failing test leaves open, so that no modal loop holds the run. */
    struct Failsafe : juce::Timer
    {
        void timerCallback() override
        {
            stopTimer();
            juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        }
    };

    std::unique_ptr<MainContentComponent> editor;
    std::shared_ptr<int> alive = std::make_shared<int> (0);
    Failsafe failsafe;
};
}   // namespace

TEST_F (MessageBoxes, RequestReplacesTheOpenAsynchronousBox)
{
    StderrCapture err;
    EXPECT_EQ (showAsync ("Searching for the organ...", "Cancel", 1), 0);
    const juce::Component::SafePointer<CustomAlertWindow> first (frontBox());
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (first->getNumButtons(), 1);

    EXPECT_EQ (showAsync ("Sending the project...", {}, 0), 0);
    EXPECT_EQ (first, nullptr);
    auto* second = frontBox();
    ASSERT_NE (second, nullptr);
    EXPECT_EQ (second->getNumButtons(), 0);

    // The replaced box's callback reports 0 later, and the new box stays open.
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! err.text().empty(); },
                                      5000));
    runMessageLoopFor (100);
    EXPECT_EQ (err.text(), line0);
    EXPECT_EQ (frontBox(), second);
    EXPECT_EQ (numberOfBoxes(), 1);

    editor->closeMessageBox();
    EXPECT_EQ (numberOfBoxes(), 0);
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return err.text().size() > line0.size(); },
                                      5000));
    EXPECT_EQ (err.text(), line0 + line0);

    editor->closeMessageBox();   // none open: nothing happens
    runMessageLoopFor (50);
    EXPECT_EQ (err.text(), line0 + line0);
}

TEST_F (MessageBoxes, SynchronousBoxThatGoesDuringItsLoopYieldsZero)
{
    enum class Ending
    {
        closedByCode,
        replacedByAsynchronous,
        replacedBySynchronous
    };
    struct Case
    {
        const char* name;
        Ending ending;
        std::vector<std::string> order;
        int boxesLeft;
    };
    const Case cases[] = {
        { "closed by code", Ending::closedByCode, { "closed", "request returned 0" }, 0 },
        // The newer box is often allocated where the old one was: it must survive.
        { "replaced by an asynchronous request", Ending::replacedByAsynchronous, { "replacement returned 0", "request returned 0" }, 1 },
        { "replaced by a synchronous request", Ending::replacedBySynchronous, { "replacement returned 5", "request returned 0" }, 0 },
    };

    for (const auto& c : cases)
    {
        std::vector<std::string> order;
        after (50, [&]
               {
            switch (c.ending)
            {
                case Ending::closedByCode:
                    editor->closeMessageBox();
                    order.push_back ("closed");
                    break;
                case Ending::replacedByAsynchronous:
                    order.push_back ("replacement returned " + std::to_string (showAsync ("Sending the project...", {}, 0)));
                    break;
                case Ending::replacedBySynchronous:
                    after (100, [] { deliver (frontBox(), Input::clickFirst); });
                    order.push_back ("replacement returned " + std::to_string (showSync ("OK", 5, {}, 0)));
                    break;
            } });

        order.push_back ("request returned " + std::to_string (showSync ("Yes", 1, "No", 0)));
        EXPECT_EQ (order, c.order) << c.name;
        EXPECT_EQ (numberOfBoxes(), c.boxesLeft) << c.name;
        if (c.boxesLeft > 0)
        {
            EXPECT_NE (frontBox(), nullptr) << c.name;
        }

        editor->closeMessageBox();
        runMessageLoopFor (50);
    }
}

TEST_F (MessageBoxes, ButtonsKeysAndCloseRequests)
{
    struct Case
    {
        const char* name;
        const char* first;
        int firstResult;
        const char* second;
        int secondResult;
        std::vector<const char*> buttonTexts;
        std::vector<Input> ignored;   // delivered first; the box must stay open
        Input ending;                 // then this one ends it
        int result;
    };
    const Case cases[] = {
        { "only the second text", "", 1, "OK", 7, { "OK" }, { Input::escape }, Input::returnKey, 7 },
        { "one button closed by the window system", "OK", 1, "", 0, { "OK" }, { Input::escape }, Input::closeRequest, 0 },
        { "two buttons", "Yes", 3, "No", 4, { "Yes", "No" }, { Input::escape, Input::returnKey }, Input::clickSecond, 4 },
        { "two buttons closed by the window system", "Yes", 3, "No", 4, { "Yes", "No" }, {}, Input::closeRequest, 0 },
    };

    for (const auto& c : cases)
    {
        std::vector<juce::String> buttonTexts;
        bool openAfterIgnoredInputs = false;
        after (50, [&]
               {
            auto* box = frontBox();
            if (box == nullptr)
                return;
            for (auto* button : buttonsOf (*box))
                buttonTexts.push_back (button->getButtonText());
            for (auto input : c.ignored)
                deliver (box, input); });
        after (250, [&]
               {
            auto* box = frontBox();
            openAfterIgnoredInputs = box != nullptr;
            if (box != nullptr)
                deliver (box, c.ending); });

        EXPECT_EQ (showSync (c.first, c.firstResult, c.second, c.secondResult), c.result) << c.name;
        EXPECT_TRUE (openAfterIgnoredInputs) << c.name;
        EXPECT_EQ (buttonTexts, std::vector<juce::String> (c.buttonTexts.begin(), c.buttonTexts.end())) << c.name;
        EXPECT_EQ (numberOfBoxes(), 0) << c.name;
    }
}

TEST_F (MessageBoxes, BoxWithoutButtonsIgnoresEveryKeyAndCloseRequest)
{
    StderrCapture err;
    EXPECT_EQ (showAsync ("Sending the project...", {}, 0), 0);
    auto* box = frontBox();
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (box->getNumButtons(), 0);

    for (auto input : { Input::escape, Input::returnKey, Input::closeRequest })
        deliver (box, input);
    runMessageLoopFor (200);
    EXPECT_EQ (frontBox(), box);
    EXPECT_EQ (err.text(), "");

    editor->closeMessageBox();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! err.text().empty(); },
                                      5000));
    EXPECT_EQ (err.text(), line0);
}

TEST_F (MessageBoxes, AsynchronousBoxReportsHowItEnded)
{
    // The framework deletes these boxes itself after the callback; the editor must notice.
    struct Case
    {
        const char* name;
        int result;
        Input input;
        std::string line;
    };
    const Case cases[] = {
        { "button", -3, Input::clickFirst, "messageBoxCallback: exit with result = -3\n" },
        { "window system", -3, Input::closeRequest, line0 },
        { "return key", 12, Input::returnKey, "messageBoxCallback: exit with result = 12\n" },
    };

    for (const auto& c : cases)
    {
        StderrCapture err;
        showAsync ("Uploading...", "Cancel", c.result);
        ASSERT_NE (frontBox(), nullptr) << c.name;
        deliver (frontBox(), c.input);

        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return numberOfBoxes() == 0 && ! err.text().empty(); },
                                          5000))
            << c.name;
        EXPECT_EQ (err.text(), c.line) << c.name;

        editor->closeMessageBox();   // the box is gone already: nothing to close
        runMessageLoopFor (50);
        EXPECT_EQ (err.text(), c.line) << c.name;
    }
}

TEST_F (MessageBoxes, AsynchronousBoxThatStopsShowingStaysOpenUntilItsCloseRequest)
{
    // The framework's modal manager ends a modal component with 0 as soon as it stops showing
    // (minimised, or on another desktop): the upload's progress box would then count as
    // cancelled. It must stay open and modal; only its close request ends it.
    StderrCapture err;
    showAsync ("Transmitting...", "Cancel", 2);
    const juce::Component::SafePointer<CustomAlertWindow> box (frontBox());
    ASSERT_NE (box, nullptr);

    box->setVisible (false);
    runMessageLoopFor (200);
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (frontBox(), box.getComponent());
    EXPECT_TRUE (box->isShowing());
    EXPECT_EQ (err.text(), "");

    deliver (box, Input::closeRequest);
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return box == nullptr && ! err.text().empty(); },
                                      5000));
    EXPECT_EQ (err.text(), line0);
}

TEST_F (MessageBoxes, SynchronousBoxThatStopsShowingStaysOpenUntilAnswered)
{
    // Ended with 0, a report would vanish unread and a question count as No.
    juce::Component::SafePointer<CustomAlertWindow> hidden;
    bool sameBoxShownAgain = false;
    after (50, [&]
           {
        hidden = frontBox();
        if (hidden != nullptr)
            hidden->setVisible (false); });
    after (250, [&]
           {
        sameBoxShownAgain = hidden != nullptr && frontBox() == hidden.getComponent() && hidden->isShowing();
        if (auto* box = frontBox())
            deliver (box, Input::clickFirst); });

    EXPECT_EQ (showSync ("Yes", 3, "No", 4), 3);
    EXPECT_TRUE (sameBoxShownAgain);
    EXPECT_EQ (numberOfBoxes(), 0);
}

TEST_F (MessageBoxes, CallbackNeverReachesADestroyedEditor)
{
    // Result 1 would cancel the connection search on the editor that raised the box.
    struct Case
    {
        const char* name;
        bool endedBeforeDestruction;
        std::string line;
    };
    const Case cases[] = {
        { "box still open", false, line0 },
        { "box ended, callback still pending", true, "messageBoxCallback: exit with result = 1\n" },
    };

    for (const auto& c : cases)
    {
        StderrCapture err;
        if (editor == nullptr)
            editor = std::make_unique<MainContentComponent>();
        showAsync ("Searching for the organ...", "Cancel", 1);
        ASSERT_NE (frontBox(), nullptr) << c.name;
        if (c.endedBeforeDestruction)
            frontBox()->exitModalState (1);

        editor.reset();
        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return ! err.text().empty(); },
                                          5000))
            << c.name;
        runMessageLoopFor (50);
        EXPECT_EQ (err.text(), c.line) << c.name;
        EXPECT_EQ (numberOfBoxes(), 0) << c.name;
    }
}

TEST_F (MessageBoxes, CancelOfABoxReplacedBeforeItsCallbackLeavesTheNewBoxAlone)
{
    // Cancel on the search box (result 1), then a reply replaces the box before the framework
    // has called back: cancelling the search then would close the newer box.
    StderrCapture err;
    showAsync ("Searching for the organ...", "Cancel", 1);
    ASSERT_NE (frontBox(), nullptr);
    frontBox()->exitModalState (1);
    showAsync ("Sending the project...", {}, 0);
    auto* newer = frontBox();
    ASSERT_NE (newer, nullptr);

    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! err.text().empty(); },
                                      5000));
    runMessageLoopFor (100);
    EXPECT_EQ (err.text(), "messageBoxCallback: exit with result = 1\n");
    EXPECT_EQ (frontBox(), newer);
    EXPECT_EQ (numberOfBoxes(), 1);
}

TEST_F (MessageBoxes, EveryBoxGetsTheMessageBoxLook)
{
    showAsync ("Searching for the organ...", "Cancel", 1);
    auto* box = frontBox();
    ASSERT_NE (box, nullptr);
    auto& look = *box->lookAndFeel;

    EXPECT_EQ (look.font, juce::Font ("Arial", 20.0f, juce::Font::plain));
    EXPECT_EQ (look.getAlertWindowTitleFont(), juce::Font ("Arial", 22.0f, juce::Font::bold));
    const auto buttons = buttonsOf (*box);
    ASSERT_EQ (buttons.size(), 1u);
    auto& button = *buttons.front();
    EXPECT_EQ (button.getHeight(), 28);
    EXPECT_EQ (look.getTextButtonFont (button, 28).getHeight(), 16.0f);

    EXPECT_EQ (box->findColour (juce::AlertWindow::backgroundColourId).getARGB(), 0xF8FFFFFFu);
    EXPECT_EQ (box->findColour (juce::AlertWindow::textColourId).getARGB(), 0xFF000000u);
    EXPECT_EQ (box->findColour (juce::AlertWindow::outlineColourId).getARGB(), 0xFF000000u);
    EXPECT_EQ (button.findColour (juce::TextButton::textColourOffId).getARGB(), 0xFF000000u);
    EXPECT_EQ (button.findColour (juce::TextButton::buttonColourId).getARGB(), 0xFFE2E2E2u);
    EXPECT_FALSE (box->isOpaque());
    EXPECT_EQ (box->getName(), title);
}
