// The X11 declarations of the framework (its display and its table of client library calls)
// are only visible with this switch, so it comes before the first framework header.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/QueuedEventDispatcher.h"

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

namespace
{
#if JUCE_LINUX || JUCE_BSD
::Display* frameworkDisplay()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}

/** Whether events wait in the client library's queue; reads nothing from the socket. */
bool eventsWaitUnread()
{
    auto* display = frameworkDisplay();
    if (display == nullptr)
        return false;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    return juce::X11Symbols::getInstance()->xEventsQueued (display, QueuedAlready) > 0;
}

/** Runs the framework's handler of the X connection, which dispatches every queued event. */
void dispatchWaitingEvents()
{
    if (! eventsWaitUnread())
        return;

    if (auto* display = frameworkDisplay())
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (
            juce::X11Symbols::getInstance()->xConnectionNumber (display));
}
#else
bool eventsWaitUnread()
{
    return false;
}
void dispatchWaitingEvents() {}
#endif
}   // namespace

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
    // The frame callback runs inside the peer's own repaint round: the events are dispatched
    // from the message loop instead, where their handlers may open boxes or close windows.
    if (eventsWaitUnread())
        triggerAsyncUpdate();
}

void QueuedEventDispatcher::handleAsyncUpdate()
{
    dispatchWaitingEvents();
}
