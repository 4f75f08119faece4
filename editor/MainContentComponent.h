#pragma once

#include "midi/MidiPorts.h"
#include "midi/OrganOutput.h"
#include "organ/FileDump.h"
#include "organ/OrganProtocol.h"
#include "organ/ProjectImage.h"
#include "organ/TonewheelFile.h"
#include "resources/SectionRows.h"
#include "widgets/CustomAlertWindow.h"
#include "widgets/CustomComboBox.h"
#include "widgets/ParameterSlider.h"
#include "widgets/SliderDoubleClick.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>
#include <optional>

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
    uploadFinished = 2,
    noTransfer = 3   // none on this link yet: the organ's handshakes belong to no transfer
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
    split over editor/ (panel, control mapping, message boxes, settings) and editor/link/
    (messages, reception, connection, identification, store and reset, project files, upload). */
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

    /** Closes the open box only when it is `box`, so that a box that replaced it stays. */
    void closeMessageBoxIfOpen (const juce::Component::SafePointer<CustomAlertWindow>& box);

    static void messageBoxCallback (int result, void* context);

    //==============================================================================
    // Messages to the organ
    void sendParameter (uint8_t index);
    static void sendFloatParameter (orvane::OrganOutput* output, int index, float value);

    /** Sends an already built message on the output, when one is open. */
    void sendToOrgan (const juce::MidiMessage& message);

    /** The window's close was requested: from here on nothing reaches the organ, neither the
        answer to a message already on its way nor a request of a handler still queued. */
    void letGoOfOrgan();

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
    void sendTonewheelPacket();
    void handleIdentityReply (const orvane::protocol::IdentityReply& reply);
    void post (int type, int param);

    // Connection, identification and download (message thread)
    void connectButtonClicked();
    void searchStep();
    void receiveTimeout();
    void watchdogTimeout();
    void cancelSearch();
    void giveUpDownload();
    void closeSearchBox();
    void cancelTonewheelUpload();
    void handleOperationComplete (uint32_t search);
    bool advanceOperation (PendingOperation from, PendingOperation to);
    void completeDownload();
    void showDeviceCheckError (int reason);
    void setConnected (bool on);
    void switchButtonOff (juce::Button& button);

    // Store and reset
    void storeButtonClicked();
    void resetButtonClicked();
    void storeTimeout();
    void resetTimeout();
    void storeOrResetConfirmed (PendingOperation confirmed);

    // Project files and the bulk send
    void openButtonClicked();
    void saveButtonClicked();
    void openProjectFile (const juce::File& file);   // what OPEN does with the chosen file
    void saveProjectFile (const juce::File& file);   // what SAVE does with the chosen file
    void bulkSend();

    // Tonewheel upload
    void tonewheelButtonClicked();
    void loadTonewheelFile (int slot);
    void uploadTonewheelFile (int slot, const juce::File& file);                // after the file dialog
    void beginUpload (int slot, const orvane::tonewheel::Contents& contents);   // after the warning
    void sendChunkOrFinish();
    void reconnectAfterUpload();
    void reconnectAwaitingReply();
    void handleTonewheelTransferStatus (int status);
    bool transferUnderWay() const noexcept;   // a header or a packet awaits the organ's answer
    bool uploadMayStart() const noexcept;     // connected, and no transfer under way
    bool openInput (int index);
    void showOkBox (const juce::String& message);

    /** Runs the native file dialog (open, or save with a warning before an existing file is
        replaced) for `pattern`, starting in lastDirectory, with the panel taking no input
        meanwhile. The chosen file; none when the dialog was cancelled or the window's close
        was requested while it was open. */
    std::optional<juce::File> chooseFile (const juce::String& title, const juce::String& pattern, bool forSaving);

    /** Whether the window's close has been requested: the editor is quitting. */
    static bool windowIsGoing();

    /** Starts (or restarts) one link timer for its own interval (organ/LinkTimings.h). */
    void startLinkTimer (LinkTimer id);

    // Every box of the editor carries the application's name; two file checks share their texts.
    static inline const juce::String messageBoxTitle { "Orvane Editor" };
    static inline const juce::String fileNotValidText { "  The selected file is not valid.  " };
    static inline const juce::String fileCorruptedText { "  The selected file is corrupted.  " };

    // Panel
    void renameTonewheelSlotItem (int slot);
    void updateControlForParameter (int index);
    void updateAllControls();
    void refreshSliders();
    void showChoice (int index);   // the item of the selector of parameter index, or none
    void showSection (int section, bool visible);
    void sectionOrSubPageClicked (juce::Button* button);
    float paramToSliderValue (int index);
    static void showSliderValue (juce::Slider& slider, double displayValue);   // without notification
    float sliderToParamValue (int index, float v);

    // Settings
    void readSettings();
    void writeSettings();

    //==============================================================================
    // Panel widgets (declaration order is construction order).
    juce::ImageComponent backdrop;
    juce::LookAndFeel_V3 sliderLookAndFeel;
    SliderDoubleClick sliderDoubleClick;   // listens to every parameter slider
    PopupLookAndFeel popupLookAndFeel;
    juce::ImageButton openButton, saveButton, connectButton, storeButton, resetButton, tonewheelButton;
    juce::PopupMenu uploadMenu;
    juce::ImageComponent connectionIndicator;
    juce::Label modelLabel, firmwareLabel;
    std::array<juce::ImageButton, 6> sectionButtons;

    // -- section pages: begin --
    friend struct PanelTestAccess;

    /** The icon and title at the head of one section page. */
    struct SectionHeader
    {
        juce::ImageComponent sectionIcon;
        juce::Label sectionTitle;
    };

    // Each page: its sub-page buttons, header, headings and captions (in the order of its rows
    // in orvane::sectionRows), then its controls.
    juce::ImageButton mainButton, drawbarButton;
    SectionHeader toneGeneratorHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::toneGeneratorSection].labels> toneGeneratorLabels;
    std::array<ParameterSlider, orvane::pageCounts[orvane::toneGeneratorSection].sliders> toneGeneratorSliders;

    SectionHeader vibratoChorusHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::vibratoChorusSection].labels> vibratoChorusLabels;
    std::array<ParameterSlider, orvane::pageCounts[orvane::vibratoChorusSection].sliders - 1> vibratoChorusSliders;
    ParameterSlider chorusLevelSlider;

    juce::ImageButton overdriveClassicButton, overdriveRockButton;
    SectionHeader overdriveHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::overdriveSection].labels> overdriveLabels;
    std::array<CustomComboBox, 2> overdriveModelComboBoxes;   // [overdriveSubPage]: parameter 9, 16

    juce::ImageButton rotaryCommonButton, rotaryClassicButton, rotaryRockButton;
    SectionHeader rotaryHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::rotarySection].labels> rotaryLabels;
    std::array<ParameterSlider, 8> rotaryCommonSliders;
    std::array<std::array<ParameterSlider, 2>, 8> rotaryClassicRockSliders;   // [row][0 CLASSIC, 1 ROCK]

    SectionHeader reverbHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::reverbSection].labels> reverbLabels;
    std::array<ParameterSlider, orvane::pageCounts[orvane::reverbSection].sliders> reverbSliders;

    SectionHeader additionalFunctionsHeader;
    std::array<juce::Label, orvane::pageCounts[orvane::additionalFunctionsSection].labels> additionalFunctionsLabels;
    std::array<CustomComboBox, orvane::pageCounts[orvane::additionalFunctionsSection].selectors> additionalFunctionsComboBoxes;

    /** The widgets of row r of orvane::sectionRows, bound by the constructor before anything
        else runs, so they can be used from its first step on. `label` is the heading or
        caption. A slider row has its slider in sliders[0]; a row with a rockParameter has the
        CLASSIC control in [0] and the ROCK control in [1]. Selector rows likewise in
        comboBoxes. Every other entry is null. The Chorus Mix row (parameter 31) holds the Chorus
        Mix slider, the Chorus Level row `chorusLevelSlider`. */
    struct RowWidgets
    {
        juce::Label* label = nullptr;
        std::array<juce::Slider*, 2> sliders {};
        std::array<CustomComboBox*, 2> comboBoxes {};
    };
    std::array<RowWidgets, orvane::numSectionRows> rowWidgets {};

    /** The slider of a row's column (0, or 1 for the ROCK control), or null: a heading, a
        selector row, a row or column out of range. */
    juce::Slider* sliderForRow (int row, int column = 0) const noexcept;
    CustomComboBox* comboBoxForRow (int row, int column = 0) const noexcept;

    /** Every slider whose component ID is the parameter, in row order: none for a parameter
        without a slider, one for most, two for 31 (Chorus Mix, then Chorus Level). */
    juce::Array<juce::Slider*> findSlidersForParameter (int parameterIndex) const;

    /** The selector of a parameter (9 and 16: the two Overdrive Model selectors; 85..98), or null. */
    CustomComboBox* findComboBoxForParameter (int parameterIndex) const;

    void bindRowWidgets();
    SectionHeader& headerOf (int section) noexcept;
    std::array<juce::ImageButton*, orvane::numSubPageButtons> subPageButtonList() noexcept;
    int32_t* subPageField (int section) noexcept;   // null for a section without sub-pages
    juce::Component* controlOfRow (int row, int column) const noexcept;

    /** A skin image: the bytes of an embedded PNG and their count. */
    struct SkinImage
    {
        const char* data;
        int size;

        juce::Image decode() const { return juce::ImageCache::getFromMemory (data, size); }
    };
    static SkinImage skinImage (const juce::String& name);

    // Widget set-up: each widget is placed, styled and given its listener once, by the constructor.
    void setupTopBarButton (juce::ImageButton& button, int x, SkinImage normal, SkinImage over, SkinImage down);
    void setupSectionButton (juce::ImageButton& button, int y, SkinImage normal, SkinImage over, SkinImage down);
    void setupSubPageButton (juce::ImageButton& button, int x, int radioGroupId, SkinImage normal, SkinImage over, SkinImage down);
    void setupSectionIcon (juce::ImageComponent& icon, SkinImage image);
    void setupSectionTitle (juce::Label& title, const char* text);
    void setupGroupHeading (juce::Label& heading, int y, const char* text);
    void setupParameterLabel (juce::Label& caption, int y, const char* text);
    void setupParameterSlider (juce::Slider& slider, int y, const char* suffix, int parameterIndex,
                               double minimum, double maximum, double interval);
    void setupParameterComboBox (CustomComboBox& comboBox, int y, int width, int itemCount,
                                 const orvane::OptionRow* items, int parameterIndex);
    void setupImageButton (juce::ImageButton& button, juce::Point<int> position, SkinImage normal, SkinImage over, SkinImage down);
    void setupLabel (juce::Label& label, const juce::Font& font, juce::Rectangle<int> bounds, const char* text);

    // Construction steps of the panel.
    void buildTopBar();
    void buildSectionColumn();
    void buildSectionPages();
    void buildSectionPage (int section);
    // -- section pages: end --

    //==============================================================================
    // Organ link state.
    std::unique_ptr<orvane::MidiPortSystem> midiPorts;
    juce::Component::SafePointer<CustomAlertWindow> messageBox;
    /** Told of every box as it opens, before it takes the input: a box may open and close
        again before anyone could look at the screen, so the tests record boxes from here. */
    std::function<void (CustomAlertWindow&)> messageBoxOpened;
    juce::ApplicationProperties appProperties;
    std::unique_ptr<orvane::MidiInputPort> midiInput;
    orvane::OrganOutput midiOutput;
    int32_t inIdx = -1, outIdx = -1;
    int32_t inCount = 0, outCount = 0;
    bool firstScan = false;
    std::atomic<bool> connected { false };
    std::atomic<bool> replyFlag { false };
    std::atomic<PendingOperation> pendingOperation { noOperation };
    int32_t currentSection;   // these four: set by the constructor
    int32_t overdriveSubPage;
    int32_t rotarySubPage;
    int32_t toneGeneratorSubPage;
    juce::File lastDirectory;
    std::array<uint8_t, 1024> receiveBuffer {};   // positions 1..1023 hold bytes 1..1023 of the last message

    // Texts written by the MIDI input thread, guarded by textLock.
    mutable juce::CriticalSection textLock;
    juce::String firmwareText;
    std::array<juce::String, orvane::numSlots> tonewheelSlotNames;

    orvane::ProjectImage projectImage;

    // Tonewheel upload.
    juce::HeapBlock<uint8_t> uploadBuffer { (size_t) orvane::filedump::maxTonewheelFileSize, true };
    std::atomic<UploadState> uploadState { uploadFinished };
    uint8_t packetNumber = 0;
    uint8_t chunkSize = 0;
    uint8_t nakCount = 0;
    std::array<uint8_t, 4> fileDumpType {};
    std::array<uint8_t, 32> fileDumpName {};
    const uint8_t* uploadCursor = nullptr;
    std::atomic<int32_t> bytesRemaining { 0 };
    std::atomic<uint8_t> deviceErrorCode { 0 };
    // The upload's own progress box (message thread): progress and done act on it alone,
    // never on a box that has replaced it.
    juce::Component::SafePointer<CustomAlertWindow> uploadProgressBox;
    // The search box of the connection course: the completed download closes it (or the
    // device-not-found box that replaced it) alone, so an abort or lost-connection box open
    // meanwhile keeps its text until the player closes it.
    juce::Component::SafePointer<CustomAlertWindow> searchBox;
    // Advanced by each CONNECT that starts a search; an identity reply (MIDI input thread)
    // records the search that it ended, so that a step still due then does nothing. Each
    // operation-complete message carries the search of the input that delivered it, so that
    // only the answers of the search whose reply started a download move it on.
    std::atomic<uint32_t> searchGeneration { 0 };
    std::atomic<uint32_t> answeredSearch { 0 };
    // The bulk send's transmit box: the bulk send closes it alone.
    juce::Component::SafePointer<CustomAlertWindow> bulkSendBox;
    // Held by the MIDI input thread for each handshake and by the message thread while it
    // fills the upload fields or cancels, so that neither sees the other's half-done work.
    juce::CriticalSection uploadLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainContentComponent)
};
