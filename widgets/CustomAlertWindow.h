#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Look of one message box: every text and the buttons follow `font`. */
class AWLookAndFeel : public juce::LookAndFeel_V3
{
public:
    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;
    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override;
    int getAlertWindowButtonHeight() override;
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowFont() override;

    /** Font of the message; the title is drawn 1.1 times as high and bold, the buttons are
        1.4 times as high with their text 0.8 times as high. */
    juce::Font font;
};

/** A message box without an icon, with a look-and-feel of its own so that its font and
    button colours reach no other box. It is not opaque: a background colour that is not
    fully opaque lets the panel show through. */
class CustomAlertWindow : public juce::AlertWindow
{
public:
    explicit CustomAlertWindow (const juce::String& title);
    ~CustomAlertWindow() override;

    /** This box's own look-and-feel, for writing its font and button colours. */
    AWLookAndFeel* const lookAndFeel;

    /** Enters the modal state (taking the keyboard focus) until a button, the window system's
        close request or code ends it; then calls `onEnd` with the result and deletes the box,
        unless `onEnd` has deleted it already. The framework's modal manager also ends a modal
        component with 0 as soon as it stops showing (minimised, or on another virtual
        desktop): this box then enters its modal state again, so it stays open, keeps the
        panel blocked, and shows again when its window does. */
    void enterModalStateUntilEnded (std::function<void (int)> onEnd);

    /** Runs the box's modal loop until a button, the window system's close request or code
        ends it, and returns the result (0 for a close request, or when code ended or replaced
        the box, which may be gone then). A box that only stopped showing runs its loop again,
        as `enterModalStateUntilEnded` does; once the application is quitting, it does not. */
    int runModalLoopUntilEnded();

    /** Whether the window system's close request (its close button, WM_DELETE_WINDOW) ended
        the box; a box without buttons ignores the request. */
    bool wasClosedByRequest() const noexcept { return closedByRequest; }

protected:
    void userTriedToCloseWindow() override;
    void visibilityChanged() override;

private:
    bool closedByRequest = false;
    bool hiddenWhileModal = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CustomAlertWindow)
};
