// OPEN and SAVE of project files, and the bulk send that transmits an opened project to the
// connected organ.
// The X11 declarations of the framework (its display and its table of client library calls)
// are only visible with this switch, so it comes before the first framework header.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "editor/MainContentComponent.h"
#include "organ/BoundedFileRead.h"
#include "organ/LinkTimings.h"
#include "organ/OrganProtocol.h"
#include "organ/ProjectFile.h"

namespace
{
const juce::String projectPattern ("*.hop");
const juce::String transmittingText ("  Transmitting all parameters to the device...  ");
const juce::String notSavedText ("  The project file could not be saved.  ");

#if JUCE_LINUX || JUCE_BSD
/** Waits, for a second at most, until the window manager has mapped the window: what is drawn
    into a window that is not viewable yet is lost. */
void waitUntilViewable (::Display* display, ::Window window)
{
    auto* x = juce::X11Symbols::getInstance();
    const auto deadline = juce::Time::getMillisecondCounter() + 1000;
    for (;;)
    {
        XWindowAttributes attributes {};
        {
            juce::XWindowSystemUtilities::ScopedXLock lock;
            x->xGetWindowAttributes (display, window, &attributes);
        }
        if (attributes.map_state == IsViewable || juce::Time::getMillisecondCounter() > deadline)
            return;
        juce::Thread::sleep (5);
    }
}
#endif

/** Puts the component on the screen, wholly drawn, before the message thread is held: the
    framework paints windows from the message loop, which does not run meanwhile. On X11 the
    window is first waited for, and the server has drawn the paint when this returns. */
void drawOnScreenNow (juce::Component& component)
{
    auto* peer = component.getPeer();
    if (peer == nullptr)
        return;
#if JUCE_LINUX || JUCE_BSD
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    const auto window = (::Window) peer->getNativeHandle();
    if (display != nullptr)
        waitUntilViewable (display, window);
#endif
    component.repaint();
    peer->performAnyPendingRepaintsNow();
#if JUCE_LINUX || JUCE_BSD
    if (display != nullptr)
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        juce::X11Symbols::getInstance()->xSync (display, False);
    }
#endif
}
}   // namespace

void MainContentComponent::openButtonClicked()
{
    if (const auto file = chooseFile ("Open Project File", projectPattern, false))
        openProjectFile (*file);
    switchButtonOff (openButton);
}

void MainContentComponent::saveButtonClicked()
{
    if (const auto file = chooseFile ("Save Project File", projectPattern, true))
        saveProjectFile (*file);
    switchButtonOff (saveButton);
}

void MainContentComponent::openProjectFile (const juce::File& file)
{
    if (! orvane::hasProjectExtension (file))
    {
        showOkBox (fileNotValidText);
        return;
    }

    lastDirectory = file.getParentDirectory();

    // Something that is not a plain file, or that cannot be read whole, is refused like a
    // wrong one; bytes after the image are ignored, so one more than it tells nothing new.
    const auto data = orvane::readRegularFile (file, (size_t) orvane::ProjectImage::byteSize);
    const auto content = data.has_value() ? orvane::readProjectFile (data->getData(), data->getSize())
                                          : std::nullopt;
    if (! content.has_value())
    {
        showOkBox (fileCorruptedText);
        return;
    }

    // A connected organ keeps its own identity; the project's values are transmitted to it.
    const bool online = connected.load();
    orvane::applyProjectFile (*content, projectImage, ! online);
    if (online)
    {
        showMessageBox (messageBoxTitle, transmittingText, {}, 0, {}, 0, messageBoxCallback);
        bulkSendBox = messageBox;
        startLinkTimer (bulkSendTimer);
    }

    updateAllControls();
}

void MainContentComponent::saveProjectFile (const juce::File& file)
{
    // The file is either replaced whole or left as it was; the player must know which, or a
    // full disk or a read-only folder would pass for a saved project.
    if (! orvane::writeProjectFile (projectImage, file))
        showOkBox (notSavedText);
}

void MainContentComponent::bulkSend()
{
    // The send holds the message thread for its whole length: the box that tells the player
    // so must be on the screen first.
    if (auto* box = bulkSendBox.getComponent())
        drawOnScreenNow (*box);

    sendToOrgan (orvane::protocol::bulkSendBegin());

    if (connected.load())
    {
        const bool withoutFunctions = projectImage.modelIndex.load() == orvane::modelWithoutAdditionalFunctions;
        const int count = withoutFunctions ? orvane::firstByteParameter : orvane::numParameters;
        for (int index = 0; index < count; ++index)
        {
            sendParameter ((uint8_t) index);
            juce::Thread::sleep (orvane::timing::scaled (orvane::timing::bulkSendPauseMs));
        }
    }

    sendToOrgan (orvane::protocol::bulkSendEnd());
    closeMessageBoxIfOpen (bulkSendBox);   // a box that replaced it stays for the player to read
}
