#include "app/OrvaneEditorApplication.h"

#include "editor/MainContentComponent.h"

OrvaneEditorApplication::~OrvaneEditorApplication()
{
    mainWindow = nullptr;
}

void OrvaneEditorApplication::initialise (const juce::String&)
{
    mainWindow = std::make_unique<MainWindow> (getApplicationName());
}

void OrvaneEditorApplication::shutdown()
{
    if (mainWindow != nullptr)
    {
        auto window = std::move (mainWindow);   // the pointer is cleared before the window goes
        window = nullptr;
    }
}

void OrvaneEditorApplication::anotherInstanceStarted (const juce::String&) {}

// The quit only ends the message loops; what is already queued still runs before the window
// goes, so the editor lets go of the organ first: nothing is sent to it on quitting.
void OrvaneEditorApplication::systemRequestedQuit()
{
    if (mainWindow != nullptr)
        if (auto* editor = dynamic_cast<MainContentComponent*> (mainWindow->getContentComponent()))
            editor->letGoOfOrgan();
    JUCEApplicationBase::quit();
}

OrvaneEditorApplication::MainWindow::MainWindow (const juce::String& name)
    : juce::DocumentWindow (name,
                            juce::Desktop::getInstance().getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
                            juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton,
                            true)
{
    setUsingNativeTitleBar (true);
    setContentOwned (new MainContentComponent(), true);
    centreWithSize (getWidth(), getHeight());
    setName (name + " v" + OrvaneEditorApplication::version);
    setVisible (true);
    queuedEvents = std::make_unique<QueuedEventDispatcher> (*this);
}

void OrvaneEditorApplication::MainWindow::closeButtonPressed()
{
    if (auto* app = JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
