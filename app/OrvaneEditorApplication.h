#pragma once

#include "app/QueuedEventDispatcher.h"
#include "widgets/ArialTypeface.h"

#include <juce_gui_basics/juce_gui_basics.h>

class OrvaneEditorApplication : public juce::JUCEApplication
{
public:
    OrvaneEditorApplication() = default;
    ~OrvaneEditorApplication() override;

    static constexpr const char* name = "Orvane Editor";
    static constexpr const char* version = "1.00";

    const juce::String getApplicationName() override { return name; }
    const juce::String getApplicationVersion() override { return version; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** The editor's one window: its only content is the main component. */
    class MainWindow : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name);
        ~MainWindow() override = default;
        void closeButtonPressed() override;

    private:
        std::unique_ptr<QueuedEventDispatcher> queuedEvents;   // once the window is on the desktop
    };

private:
    // Declared first, so that it is the default before the window is made and until it is gone.
    orvane::ArialDefaultLookAndFeel defaultLookAndFeel;
    std::unique_ptr<MainWindow> mainWindow;
};
