#pragma once

#include "organ/MidiPorts.h"
#include "organ/OrganOutput.h"
#include "organ/ProjectImage.h"
#include "widgets/CustomAlertWindow.h"
#include "widgets/CustomComboBox.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>

/** Which organ operation awaits its operation-complete message. */
enum PendingOperation : int32_t
{
    noOperation = 0,
    downloadStep1 = 1,
    downloadStep2 = 2,
    downloadStep3 = 3,
    storeOperation = 4,
    resetOperation = 5
};

/** Ids of the main component's six one-shot timers. */
enum LinkTimer
{
    searchTimer = 0,
    receiveTimer = 1,
    storeTimer = 2,
    resetTimer = 3,
    bulkSendTimer = 4,
    watchdogTimer = 5
};

enum UploadState : uint8_t
{
    headerSent = 0,
    sendingPackets = 1,
    uploadFinished = 2
};

/** The one kind of message that the MIDI input thread posts to the main component. */
class InternalMessage : public juce::Message
{
public:
    enum Type
    {
        operationComplete = 0,
        parameterChanged = 1,
        slotNameChanged = 2,
        identityCheckFailed = 3,
        uploadStatus = 4
    };

    InternalMessage (int32_t messageType, int32_t messageParam) : type (messageType), param (messageParam) {}

    const int32_t type;
    const int32_t param;
};

/** The whole editor: the panel with every widget, and the link to the organ. Its methods are
    split over editor/ (panel, mapping, message boxes, settings) and organ/ (messages,
    reception, connection, identification). */
class MainContentComponent : public juce::Component,
                             public juce::MessageListener,
                             private juce::Button::Listener,
                             private juce::Slider::Listener,
                             private juce::MidiInputCallback,
                             private juce::ComboBox::Listener,
                             private juce::MultiTimer
{
public:
    MainContentComponent();
    ~MainContentComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    void handleMessage (const juce::Message& message) override;

    /** Shows a message box titled `title`; the only way the editor shows one. Without a
        callback it waits in a nested modal loop and returns the result (0 when the box was
        replaced or closed by code or by the window system); with one it returns 0 at once. */
    int showMessageBox (const juce::String& title, const juce::String& message,
                        const juce::String& firstButtonText, int firstButtonResult,
                        const juce::String& secondButtonText, int secondButtonResult,
                        void (*callback) (int, void*));

    /** Ends the open box's modal state with 0 and deletes it; nothing when none is open. */
    void closeMessageBox();

    static void messageBoxCallback (int result, void* context);

    //==============================================================================
    // Messages to the organ
    void sendParameter (uint8_t index);
    static void sendFloatParameter (orvane::OrganOutput* output, int index, float value);

    /** Sends an already built message on the output, when one is open. */
    void sendToOrgan (const juce::MidiMessage& message);

    /** Reads the state that the MIDI input thread shares, for the tests and the panel. */
    juce::String getTonewheelSlotName (int slot) const;
    juce::String getFirmwareText() const;
    bool isConnected() const noexcept { return connected.load(); }
    PendingOperation getPendingOperation() const noexcept { return pendingOperation.load(); }
    const orvane::ProjectImage& getProjectImage() const noexcept { return projectImage; }

    /** The port layer in force (virtual ports when ORVANE_VIRTUAL_MIDI is set). */
    orvane::MidiPortSystem& getMidiPorts() noexcept { return *midiPorts; }

private:
    friend struct MainContentComponentTestAccess;

    /** Look of the TONEWHEEL pop-up menu. */
    class PopupLookAndFeel : public juce::LookAndFeel_V3
    {
    public:
        ~PopupLookAndFeel() override = default;
        juce::Font getPopupMenuFont() override { return popupMenuFont; }

        juce::Font popupMenuFont;
    };

    //==============================================================================
    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void comboBoxChanged (juce::ComboBox* comboBox) override;
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;
    void timerCallback (int timerID) override;

    // Reception (MIDI input thread)
    void handleFileDumpHandshake (const juce::MidiMessage& message);
    void handleIdentityReply (const uint8_t* bytes);
    void post (int type, int param);

    // Connection, identification and download (message thread)
    void connectButtonClicked();
    void searchStep();
    void receiveTimeout();
    void watchdogTimeout();
    void cancelSearch();
    void handleOperationComplete();
    void showDeviceCheckError (int reason);
    void setConnected (bool on);
    void switchButtonOff (juce::Button& button);

    // Panel
    void renameTonewheelSlotItem (int slot);
    void updateControlForParameter (int index);
    void updateAllControls();
    void showSection (int section, bool visible);
    void sectionOrSubPageClicked (juce::Button* button);
    float paramToSliderValue (int index);
    float sliderToParamValue (int index, float v);

    // Settings
    void readSettings();
    void writeSettings();

    //==============================================================================
    // Panel widgets (declaration order is construction order).
    juce::ImageComponent backdrop;
    juce::LookAndFeel_V3 sliderLookAndFeel;
    PopupLookAndFeel popupLookAndFeel;
    juce::ImageButton openButton, saveButton, connectButton, storeButton, resetButton, tonewheelButton;
    juce::PopupMenu uploadMenu;
    juce::ImageComponent connectionIndicator;
    juce::Label modelLabel, firmwareLabel;
    std::array<juce::ImageButton, 6> sectionButtons;

    // -- section pages: begin --
    // -- section pages: end --

    //==============================================================================
    // Organ link state.
    std::unique_ptr<orvane::MidiPortSystem> midiPorts;
    juce::Component::SafePointer<CustomAlertWindow> messageBox;
    juce::ApplicationProperties appProperties;
    std::unique_ptr<orvane::MidiInputPort> midiInput;
    orvane::OrganOutput midiOutput;
    int32_t inIdx = -1, outIdx = -1;
    int32_t inCount = 0, outCount = 0;
    bool firstScan = false;
    std::atomic<bool> connected { false };
    std::atomic<bool> replyFlag { false };
    std::atomic<PendingOperation> pendingOperation { noOperation };
    int32_t currentSection = 0;
    int32_t overdriveSubPage = 0;
    int32_t rotarySubPage = 2;
    int32_t toneGeneratorSubPage = 3;
    juce::File lastDirectory;
    std::array<uint8_t, 1024> receiveBuffer {};   // positions 1..1023 hold bytes 1..1023 of the last message

    // Texts written by the MIDI input thread, guarded by textLock.
    mutable juce::CriticalSection textLock;
    juce::String firmwareText;
    std::array<juce::String, orvane::numSlots> tonewheelSlotNames;

    orvane::ProjectImage projectImage;

    // Tonewheel upload.
    juce::HeapBlock<uint8_t> uploadBuffer { 1048576, true };
    std::atomic<UploadState> uploadState { uploadFinished };
    uint8_t packetNumber = 0;
    uint8_t chunkSize = 0;
    uint8_t nakCount = 0;
    std::array<uint8_t, 4> fileDumpType {};
    std::array<uint8_t, 32> fileDumpName {};
    const uint8_t* uploadCursor = nullptr;
    std::atomic<int32_t> bytesRemaining { 0 };
    std::atomic<uint8_t> deviceErrorCode { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainContentComponent)
};
