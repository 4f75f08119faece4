// Events that another call has already taken off the X connection into the client library's
// queue: the main window's dispatcher must hand them to the framework although the socket
// stays quiet.
#include <gtest/gtest.h>   // before the X11 headers, whose macros clash with it

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/QueuedEventDispatcher.h"
#include "support/TestHarness.h"

#include <poll.h>

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

::Display* frameworkDisplay() { return juce::XWindowSystem::getInstance()->getDisplay(); }

::Window handleOf (juce::Component& window) { return (::Window) window.getPeer()->getNativeHandle(); }

/** A close request for `window` as the window manager sends it, through `display`'s connection,
    which then waits until the server has handled it. */
void sendCloseRequest (::Display* display, ::Window window)
{
    auto* x = juce::X11Symbols::getInstance();
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x->xInternAtom (display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long) x->xInternAtom (display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    x->xSendEvent (display, window, False, NoEventMask, &event);
    x->xSync (display, False);
}

/** A close request read back at once into the client library's queue by the sync: nothing is
    left on the socket to wake the framework. */
void queueCloseRequest (juce::Component& window)
{
    juce::XWindowSystemUtilities::ScopedXLock lock;
    sendCloseRequest (frameworkDisplay(), handleOf (window));
}

bool showAndSettle (CountingWindow& window)
{
    const bool shown = orvane::test::runMessageLoopUntil ([&]
                                                          { return window.getPeer() != nullptr && window.isShowing(); },
                                                          5000);
    orvane::test::runMessageLoopFor (200);   // let the mapping settle
    return shown;
}
}   // namespace

TEST (QueuedEventDispatcher, HandsOnEventsThatWaitInTheClientLibrary)
{
    CountingWindow window;
    ASSERT_TRUE (showAndSettle (window));
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

TEST (QueuedEventDispatcher, LooksAtTheQueueAfterTheFlushHasFilledIt)
{
    CountingWindow window;
    ASSERT_TRUE (showAndSettle (window));

    // Another client's close request reaches the socket while the message loop does not run.
    auto* x = juce::X11Symbols::getInstance();
    auto* other = x->xOpenDisplay (nullptr);
    ASSERT_NE (other, nullptr);
    sendCloseRequest (other, handleOf (window));
    x->xCloseDisplay (other);
    pollfd socket { x->xConnectionNumber (frameworkDisplay()), POLLIN, 0 };
    ASSERT_EQ (::poll (&socket, 1, 5000), 1) << "the close request did not reach the socket";

    // One round, with no frames to run more: its flush reads the request into the queue, so
    // only a look after the flush sees that the framework must be woken.
    QueuedEventDispatcher::keepConnectionMoving (*window.getPeer());

    // What the server sent since is read in behind the waiting events, and taken out here in
    // order: the request, then an echo for it.
    juce::XWindowSystemUtilities::ScopedXLock lock;
    auto* display = frameworkDisplay();
    const int waiting = x->xEventsQueued (display, QueuedAlready);
    x->xSync (display, False);
    int requestAt = -1, echoAt = -1;
    for (int i = 0, queued = x->xEventsQueued (display, QueuedAlready); i < queued; ++i)
    {
        XEvent event {};
        x->xNextEvent (display, &event);
        if (event.type == ClientMessage && event.xclient.window == handleOf (window))
            (event.xclient.message_type == None ? echoAt : requestAt) = i;
    }
    EXPECT_TRUE (requestAt >= 0 && requestAt < waiting) << "the round's flush left the close request on the socket";
    EXPECT_GE (echoAt, waiting) << "the close request waits in the queue with nothing to wake the framework";
}
#endif
