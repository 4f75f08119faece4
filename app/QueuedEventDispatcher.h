#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps the framework's connection to the window system moving, in both directions.

    On X11 the framework writes its requests into the client library's output buffer and does
    not send them itself after a repaint: the drawing of a frame that ends on a small area (a
    button's new look) may wait there until some later call sends the buffer, such as the one
    that reads the next mouse move. The other way, the framework reads its connection whenever
    the connection's socket becomes readable, and any other call that talks to the server (a
    sync when a window goes, a pointer query, the round trips of a focus change) may take
    events off the socket into the library's input queue; the socket then stays quiet and those
    events wait until some later event arrives: a close request or a key goes unanswered.

    Attached to the main window, this object sends the buffer after every frame the window's
    peer ticks anyway (the framework drives each window's repaints from a frame timer that runs
    all the time), so every change is on the screen once its frame is drawn, and it adds no
    wake-up of its own. Finding events waiting in the input queue, it has the server echo an
    empty message back, so that the framework's own reader finds the socket readable and
    dispatches them from the message loop. Elsewhere than on X11 it does nothing. */
class QueuedEventDispatcher : private juce::ComponentPeer::VBlankListener,
                              private juce::AsyncUpdater
{
public:
    /** Starts watching `window`, which must be on the desktop already. */
    explicit QueuedEventDispatcher (juce::Component& window);
    ~QueuedEventDispatcher() override;

    /** What the dispatcher does after each frame of `peer`'s window: sends the output buffer,
        then has the server echo a message when events wait in the input queue. */
    static void keepConnectionMoving (juce::ComponentPeer& peer);

private:
    void onVBlank() override;
    void handleAsyncUpdate() override;

    juce::Component::SafePointer<juce::Component> window;
    juce::ComponentPeer* peer;

    JUCE_DECLARE_NON_COPYABLE (QueuedEventDispatcher)
};
