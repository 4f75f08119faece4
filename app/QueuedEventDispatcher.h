#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Hands the framework the window system's events that wait unread in the client library.

    On X11 the framework reads its connection whenever the connection's socket becomes
    readable. Any other call that talks to the server (a sync when a window goes, a pointer
    query, the round trips of a repaint) may take events off the socket into the client
    library's own queue; the socket then stays quiet and those events wait until some later
    event arrives. A box that closes leaves the panel unpainted where it lay, and a close
    request or a key can go unanswered until the pointer next moves.

    Attached to the main window, this object looks at the client library's queue at every
    frame the window's peer ticks anyway (the framework drives each window's repaints from a
    frame timer that runs all the time), so it adds no wake-up of its own. Finding events
    waiting there, it has the framework's own connection handler dispatch them from the
    message loop. Elsewhere than on X11 it does nothing. */
class QueuedEventDispatcher : private juce::ComponentPeer::VBlankListener,
                              private juce::AsyncUpdater
{
public:
    /** Starts watching `window`, which must be on the desktop already. */
    explicit QueuedEventDispatcher (juce::Component& window);
    ~QueuedEventDispatcher() override;

private:
    void onVBlank() override;
    void handleAsyncUpdate() override;

    juce::Component::SafePointer<juce::Component> window;
    juce::ComponentPeer* peer;

    JUCE_DECLARE_NON_COPYABLE (QueuedEventDispatcher)
};
