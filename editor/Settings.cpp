// The port numbers of the last completed connection, kept across restarts in the user's
// settings file, in a folder "Settings" under the user's application-support folder (on Linux
// ~/.config/Settings/Orvane Editor.settings, with /var/.config/Settings/Orvane Editor.settings
// as the all-users fallback for keys the user file lacks).
#include "editor/MainContentComponent.h"
#include "organ/BoundedFileRead.h"

namespace
{
const char* const midiInputKey = "MidiInputIndex";
const char* const midiOutputKey = "MidiOutputIndex";

// The editor's own file holds two short keys in about 150 bytes; one edited by hand may add
// comments. A file hundreds of times that size is no settings file of this editor's.
constexpr size_t settingsSizeLimit = 64 * 1024;

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

/** Whether the framework may be given `file`: it opens its files waiting for a writer, reads
    them whole and saves by renaming a new file over the old one. So it gets only an absent
    file or a plain one of at most settingsSizeLimit bytes: a FIFO would hold up the start for
    good, a link to a device or a file of many megabytes would be read without end, and a save
    would replace any of them. */
bool mayHandOver (const juce::File& file)
{
    if (! file.exists())
        return true;
    const auto content = orvane::readRegularFile (file, settingsSizeLimit);
    return content.has_value() && content->getSize() <= settingsSizeLimit;
}

/** Whether both files may be given to the framework, which opens the user's and the all-users
    file together. When not, the settings stay closed: the numbers keep their defaults and
    nothing is written, so such a file is left as it is. */
bool settingsMayBeOpened()
{
    auto options = settingsOptions();
    options.commonToAllUsers = false;
    const auto userFile = options.getDefaultFile();
    options.commonToAllUsers = true;
    return mayHandOver (userFile) && mayHandOver (options.getDefaultFile());
}
}   // namespace

void MainContentComponent::readSettings()
{
    appProperties.setStorageParameters (settingsOptions());
    inIdx = -1;
    outIdx = -1;
    if (! settingsMayBeOpened())
        return;

    auto* settings = appProperties.getUserSettings();   // opens the user and the all-users file
    if (settings == nullptr)
        return;

    inIdx = settings->getIntValue (midiInputKey, -1);
    outIdx = settings->getIntValue (midiOutputKey, -1);
}

void MainContentComponent::writeSettings()
{
    // Tested again: the files may have changed since the start, and closed settings open here.
    if (! settingsMayBeOpened())
        return;

    auto* settings = appProperties.getUserSettings();
    if (settings == nullptr)
        return;

    // The framework marks the file only when a value differs from the stored text; writing
    // a marked file at once keeps a quick quit from losing it and leaves an unchanged one alone.
    settings->setValue (midiInputKey, inIdx);
    settings->setValue (midiOutputKey, outIdx);
    settings->saveIfNeeded();
}
