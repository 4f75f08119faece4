#pragma once

#include "editor/MainContentComponent.h"
#include "support/PanelChecks.h"
#include "support/RecordingPort.h"

#include <gtest/gtest.h>

/** The tests' way to the main component's private members. One definition for every test
    file, since the component befriends exactly this struct; add what a test needs here. */
struct MainContentComponentTestAccess
{
    static auto& receiveBuffer (MainContentComponent& c) { return c.receiveBuffer; }
    static auto& midiOutput (MainContentComponent& c) { return c.midiOutput; }

    /** Opens a recording output in place of a port; returns its record. */
    static std::shared_ptr<orvane::test::SentMessages> recordOutput (MainContentComponent& c)
    {
        auto sent = std::make_shared<orvane::test::SentMessages>();
        c.midiOutput.replace (std::make_unique<orvane::test::RecordingPort> (sent));
        return sent;
    }
    static auto& pendingOperation (MainContentComponent& c) { return c.pendingOperation; }
    static auto& projectImage (MainContentComponent& c) { return c.projectImage; }

    /** The MIDI input callback, as the input's thread calls it. */
    static void receive (MainContentComponent& c, const juce::MidiMessage& message)
    {
        c.handleIncomingMidiMessage (nullptr, message);
    }

    // Upload fields that the File Dump packet is built from.
    static uint8_t* uploadBuffer (MainContentComponent& c) { return c.uploadBuffer.get(); }
    static auto& packetNumber (MainContentComponent& c) { return c.packetNumber; }
    static auto& chunkSize (MainContentComponent& c) { return c.chunkSize; }
    static auto& uploadCursor (MainContentComponent& c) { return c.uploadCursor; }
    static void sendTonewheelPacket (MainContentComponent& c) { c.sendTonewheelPacket(); }

    // Connection course.
    static juce::Button& connectButton (MainContentComponent& c) { return c.connectButton; }
    static CustomAlertWindow* messageBox (MainContentComponent& c) { return c.messageBox.getComponent(); }
    static auto& messageBoxOpened (MainContentComponent& c) { return c.messageBoxOpened; }
    static juce::Label& modelLabel (MainContentComponent& c) { return c.modelLabel; }
    static juce::Label& firmwareLabel (MainContentComponent& c) { return c.firmwareLabel; }
    static bool isTimerRunning (MainContentComponent& c, int timer) { return c.isTimerRunning (timer); }
    /** Runs a link timer's callback, as the framework does for a timer that was due. */
    static void fireTimer (MainContentComponent& c, int timer) { c.timerCallback (timer); }
    static auto& inIdx (MainContentComponent& c) { return c.inIdx; }
    static auto& outIdx (MainContentComponent& c) { return c.outIdx; }
    static auto& searchGeneration (MainContentComponent& c) { return c.searchGeneration; }

    // Store and reset.
    static juce::Button& storeButton (MainContentComponent& c) { return c.storeButton; }
    static juce::Button& resetButton (MainContentComponent& c) { return c.resetButton; }

    // The explorer: the panel's other buttons, the indicator, and the port layer it watches.
    static juce::Button& openButton (MainContentComponent& c) { return c.openButton; }
    static juce::Button& saveButton (MainContentComponent& c) { return c.saveButton; }
    static juce::Button& tonewheelButton (MainContentComponent& c) { return c.tonewheelButton; }
    static juce::ImageComponent& connectionIndicator (MainContentComponent& c) { return c.connectionIndicator; }
    static auto& midiPorts (MainContentComponent& c) { return c.midiPorts; }

    // Settings, mapping and refresh.
    static void writeSettings (MainContentComponent& c) { c.writeSettings(); }
    static void updateAllControls (MainContentComponent& c) { c.updateAllControls(); }
    static juce::PopupMenu& uploadMenu (MainContentComponent& c) { return c.uploadMenu; }
    static auto& currentSection (MainContentComponent& c) { return c.currentSection; }
    static juce::Button& sectionButton (MainContentComponent& c, int section) { return c.sectionButtons[(size_t) section]; }
    static juce::Slider& chorusLevelSlider (MainContentComponent& c) { return c.chorusLevelSlider; }

    /** The slider of a parameter; for 31 the Chorus Mix slider. */
    static juce::Slider& slider (MainContentComponent& c, int parameter) { return *c.findSlidersForParameter (parameter).getFirst(); }
    static juce::ComboBox& comboBox (MainContentComponent& c, int parameter) { return *c.findComboBoxForParameter (parameter); }

    /** Whether every slider of the panel (both chorus sliders included) holds a finite value
        inside its range, and every selector an item of its own; those that do not are named. */
    static ::testing::AssertionResult everySliderShowsARangeValue (MainContentComponent& c)
    {
        const auto faults = orvane::test::widgetsShowingWhatTheyCannotHold (c);
        if (faults.isEmpty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << faults.joinIntoString ("; ");
    }

    // Project files: what OPEN and SAVE do once their dialog has chosen the file.
    static void openProjectFile (MainContentComponent& c, const juce::File& file) { c.openProjectFile (file); }
    static void saveProjectFile (MainContentComponent& c, const juce::File& file) { c.saveProjectFile (file); }
    static auto& lastDirectory (MainContentComponent& c) { return c.lastDirectory; }

    // Tonewheel upload.
    static void uploadTonewheelFile (MainContentComponent& c, int slot, const juce::File& file) { c.uploadTonewheelFile (slot, file); }
    static auto& uploadState (MainContentComponent& c) { return c.uploadState; }
    static void beginUpload (MainContentComponent& c, int slot, const orvane::tonewheel::Contents& contents) { c.beginUpload (slot, contents); }
    static auto& fileDumpName (MainContentComponent& c) { return c.fileDumpName; }
    static auto& bytesRemaining (MainContentComponent& c) { return c.bytesRemaining; }
    static auto& connected (MainContentComponent& c) { return c.connected; }
    static void handleMessage (MainContentComponent& c, int type, int param) { c.handleMessage (InternalMessage (type, param)); }
    static void setTonewheelSlotName (MainContentComponent& c, int slot, const juce::String& name)
    {
        const juce::ScopedLock sl (c.textLock);
        c.tonewheelSlotNames[(size_t) slot] = name;
    }
};
