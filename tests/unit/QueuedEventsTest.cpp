// Events that another call has already taken off the X connection into the client library's
// queue: the main window's dispatcher must hand them to the framework although the socket
// stays quiet.
#include <gtest/gtest.h>   // before the X11 headers, whose macros clash with it

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/QueuedEventDispatcher.h"
#include "support/TestHarness.h"

#if JUCE_LINUX || JUCE_BSD
namespace
{
struct CountingWindow : public juce::DocumentWindow
{
    CountingWindow() : juce::DocumentWindow ("Queued events", juce::Colours::white, juce::DocumentWindow::closeButton, true)
    {
        setUsingNativeTitleBar (true);
        centreWithSize (300, 200);
        setVisible (true);
    }

    void closeButtonPressed() override { ++closeRequests; }

    int closeRequests = 0;
};

/** A close request as the window manager sends it, read back at once into the client
    library's queue by a sync: nothing is left on the socket to wake the framework. */
void queueCloseRequest (juce::Component& window)
{
    auto* x = juce::X11Symbols::getInstance();
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    const auto handle = (::Window) window.getPeer()->getNativeHandle();

    juce::XWindowSystemUtilities::ScopedXLock lock;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = handle;
    event.xclient.message_type = x->xInternAtom (display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long) x->xInternAtom (display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    x->xSendEvent (display, handle, False, NoEventMask, &event);
    x->xSync (display, False);
}
}   // namespace

TEST (QueuedEventDispatcher, HandsOnEventsThatWaitInTheClientLibrary)
{
    CountingWindow window;
    ASSERT_TRUE (orvane::test::runMessageLoopUntil ([&]
                                                    { return window.getPeer() != nullptr && window.isShowing(); },
                                                    5000));
    orvane::test::runMessageLoopFor (200);   // let the mapping settle
    QueuedEventDispatcher dispatcher (window);

    for (int request = 1; request <= 3; ++request)
    {
        queueCloseRequest (window);
        EXPECT_TRUE (orvane::test::runMessageLoopUntil ([&]
                                                        { return window.closeRequests == request; },
                                                        3000))
            << "close request " << request << " still waits";
    }
}
#endif
