// The port numbers of the last completed connection, kept across restarts in the user's
// settings file, in a folder "Settings" under the user's application-support folder (on Linux
// ~/.config/Settings/Orvane Editor.settings, with /var/.config/Settings/Orvane Editor.settings
// as the all-users fallback for keys the user file lacks).
#include "editor/MainContentComponent.h"

namespace
{
const char* const midiInputKey = "MidiInputIndex";
const char* const midiOutputKey = "MidiOutputIndex";

juce::PropertiesFile::Options settingsOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Orvane Editor";
    options.filenameSuffix = "settings";
#if JUCE_LINUX || JUCE_BSD
    // The framework puts the folder straight into the home folder here; the user's
    // application-support folder on Linux is ~/.config.
    options.folderName = ".config/Settings";
#else
    options.folderName = "Settings";
#endif
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = true;
    options.ignoreCaseOfKeyNames = true;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}
}   // namespace

void MainContentComponent::readSettings()
{
    appProperties.setStorageParameters (settingsOptions());
    auto* settings = appProperties.getUserSettings();   // opens the user and the all-users file

    inIdx = -1;
    outIdx = -1;
    if (settings == nullptr)
        return;

    inIdx = settings->getIntValue (midiInputKey, -1);
    outIdx = settings->getIntValue (midiOutputKey, -1);
}

void MainContentComponent::writeSettings()
{
    auto* settings = appProperties.getUserSettings();
    if (settings == nullptr)
        return;

    // The framework marks the file only when a value differs from the stored text; writing
    // a marked file at once keeps a quick quit from losing it and leaves an unchanged one alone.
    settings->setValue (midiInputKey, inIdx);
    settings->setValue (midiOutputKey, outIdx);
    settings->saveIfNeeded();
}
