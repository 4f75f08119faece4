// The X11 declarations of the framework (its display and its table of client library calls)
// are only visible with this switch, so it comes before the first framework header.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/QueuedEventDispatcher.h"

#if JUCE_LINUX || JUCE_BSD
namespace
{
::Display* frameworkDisplay()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}
}   // namespace

/** The flush comes first: sending the buffer also reads what the socket holds into the input
    queue, and events taken in after the look would wait there for the next frame. The server
    echoes an empty client message back to the peer's window, which makes the socket readable,
    and the framework then dispatches every queued event before it (it ignores the echo itself). */
void QueuedEventDispatcher::keepConnectionMoving (juce::ComponentPeer& peer)
{
    auto* display = frameworkDisplay();
    if (display == nullptr)
        return;

    auto* x = juce::X11Symbols::getInstance();
    const auto window = (::Window) peer.getNativeHandle();
    juce::XWindowSystemUtilities::ScopedXLock lock;

    x->xFlush (display);
    if (x->xEventsQueued (display, QueuedAlready) > 0)
    {
        XEvent echo {};
        echo.xclient.type = ClientMessage;
        echo.xclient.window = window;
        echo.xclient.message_type = None;
        echo.xclient.format = 32;
        x->xSendEvent (display, window, False, NoEventMask, &echo);
        x->xFlush (display);
    }
}
#else
void QueuedEventDispatcher::keepConnectionMoving (juce::ComponentPeer&)
{
}
#endif

QueuedEventDispatcher::QueuedEventDispatcher (juce::Component& windowToWatch)
    : window (&windowToWatch), peer (windowToWatch.getPeer())
{
    if (peer != nullptr)
        peer->addVBlankListener (this);
}

QueuedEventDispatcher::~QueuedEventDispatcher()
{
    cancelPendingUpdate();

    // The peer goes with its window; a window that got a new one meanwhile has no listener to remove.
    if (window != nullptr && window->getPeer() == peer && peer != nullptr)
        peer->removeVBlankListener (this);
}

void QueuedEventDispatcher::onVBlank()
{
    // The frame callback runs before the peer's repaint of this frame: the connection is seen
    // to once that repaint is done, from the message loop.
    triggerAsyncUpdate();
}

void QueuedEventDispatcher::handleAsyncUpdate()
{
    if (window != nullptr && window->getPeer() == peer && peer != nullptr)
        keepConnectionMoving (*peer);
}
