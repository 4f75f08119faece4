// OPEN and SAVE of project files, and the bulk send that transmits an opened project to the
// connected organ.
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
