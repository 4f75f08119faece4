// Project files opened and saved by the editor: the bulk send that transmits an opened project
// to the connected organ, and the identity an opened project brings while none is connected.
#include "EditorRig.h"
#include "support/MidiBytes.h"

#include "organ/BoundedFileRead.h"
#include "organ/OrganProtocol.h"
#include "organ/ProjectFile.h"

#include <numeric>

using namespace orvane;
using namespace orvane::test;

namespace
{
using orvane::test::bytesOf;

constexpr double parameterPauseMs = 20.0;

std::vector<uint8_t> imageBytes (const ProjectImage& image)
{
    const auto block = image.toBytes();
    const auto* b = static_cast<const uint8_t*> (block.getData());
    return std::vector<uint8_t> (b, b + block.getSize());
}

/** A project file whose values differ from every default: 0..84 fractional, 85..98 choices. */
juce::File writeProject (const juce::File& file, int32_t model, int32_t revision, ProjectImage& image)
{
    image.modelIndex = model;
    image.hardwareRevision = revision;
    for (int i = 0; i < numParameters; ++i)
        image.setValue (i, i < firstByteParameter ? 0.25f * (float) i + 7.0f : 4.0f);
    EXPECT_TRUE (writeProjectFile (image, file));
    return file;
}
}   // namespace

TEST (ProjectFileEndToEnd, ProjectOpenedWhileConnectedIsSentToTheOrganParameterByParameter)
{
    Rig rig;
    rig.startOrgan (organOptions());   // model 0: all 99 parameters
    for (int i = firstByteParameter; i < numParameters; ++i)
        rig.organ->setParameter (i, (float) (i % 3));
    rig.startEditor();
    rig.boxes->keepOpen().add (transmittingParametersText);   // it has no button; only the bulk send closes it
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());

    auto& editorImage = Access::projectImage (*rig.editor);
    const auto modelText = Access::modelLabel (*rig.editor).getText();

    // A project of the model without Additional Functions: only its first 85 values are taken,
    // but the model-0 organ gets all 99, the choices with the values it already had.
    ProjectImage project;
    const auto file = writeProject (rig.folder.get().getChildFile ("Mod.hop"), 3, 1, project);
    rig.organ->clearRecords();
    const auto sendTimes = rig.stampOutput();
    const double openedAt = now();
    Access::openProjectFile (*rig.editor, file);
    const double returnedAt = now();

    EXPECT_NE (Access::messageBox (*rig.editor), nullptr) << "the transmit box is open";
    EXPECT_EQ (editorImage.modelIndex.load(), 0) << "the connected organ keeps its identity";
    EXPECT_EQ (editorImage.hardwareRevision.load(), 0);
    EXPECT_EQ (Access::modelLabel (*rig.editor).getText(), modelText);

    const auto bulkEnd = bytesOf (protocol::bulkSendEnd());
    ASSERT_TRUE (rig.organ->waitForMessages ([&] (const std::vector<emulator::Message>& received)
                                             { return ! received.empty() && received.back().bytes == bulkEnd; },
                                             8000));
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return Access::messageBox (*rig.editor) == nullptr; },
                                      2000));
    EXPECT_TRUE (rig.boxes->sawBox (transmittingParametersText));

    std::vector<emulator::Message> sent;
    for (const auto& m : rig.organ->getReceived())
        if (! isIdentityRequest (m))   // the watchdog's pings may come before or after
            sent.push_back (m);

    std::vector<emulator::Bytes> expected { bytesOf (protocol::bulkSendBegin()) };
    for (int i = 0; i < numParameters; ++i)
        expected.push_back (i < firstByteParameter ? bytesOf (protocol::setFloatParameter (i, project.getValue (i)))
                                                   : bytesOf (protocol::setByteParameter (i, (float) (i % 3))));
    expected.push_back (bulkEnd);
    ASSERT_EQ (sent.size(), expected.size());
    for (size_t k = 0; k < sent.size(); ++k)
        EXPECT_EQ (sent[k].bytes, expected[k]) << "message " << k << ": " << emulator::describe (sent[k].bytes);

    // The times as the editor sent them: the organ reads late and in bursts on a loaded machine.
    std::vector<double> sentAt;
    for (const auto& s : sendTimes->get())
        if (s.bytes != identityRequest)
            sentAt.push_back (s.timeMs);
    ASSERT_EQ (sentAt.size(), expected.size());

    // The framework's timer thread counts against a new timer the time since its last round
    // (up to 100 ms) and the time the message thread was held before the timer started, so
    // the bulk send may begin that much before its 200 ms, and late on a loaded machine.
    const double heldMs = returnedAt - openedAt;
    const double beginMs = sentAt.front() - openedAt;
    EXPECT_GE (beginMs, 200.0 - 100.0 - heldMs);
    EXPECT_LE (beginMs, 200.0 + scaled (600.0));

    // Then a pause after every parameter: parameter i goes out no earlier than 20 i ms after
    // the begin message.
    for (size_t k = 1; k < sentAt.size(); ++k)
        EXPECT_GE (sentAt[k] - sentAt.front(), parameterPauseMs * (double) (k - 1)) << "message " << k;
    EXPECT_LE (sentAt.back() - sentAt.front(), numParameters * parameterPauseMs + scaled (3000.0));

    for (int i = 0; i < numParameters; ++i)
    {
        const float expectedValue = i < firstByteParameter ? project.getValue (i) : (float) (i % 3);
        EXPECT_EQ (rig.organ->getParameter (i), expectedValue) << "organ parameter " << i;
        EXPECT_EQ (editorImage.getValue (i), expectedValue) << "editor parameter " << i;
    }
    EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
}

TEST (ProjectFileEndToEnd, AnOrganWithoutAdditionalFunctionsIsSentOnlyItsFirst85Values)
{
    Rig rig;
    rig.startOrgan (organOptions ({ 5, 6, 0, 1, 2, 0 }));   // model byte 6: no Additional Functions
    for (int i = emulator::firstByteParameter; i < emulator::numParameters; ++i)
        rig.organ->setParameter (i, (float) (i % 3));
    rig.startEditor();
    rig.boxes->keepOpen().add (transmittingParametersText);
    rig.clickConnect();
    ASSERT_TRUE (rig.waitConnected());

    ProjectImage project;   // a project of a model with all 99 values
    const auto file = writeProject (rig.folder.get().getChildFile ("Full.hop"), 0, 0, project);
    rig.organ->clearRecords();
    Access::openProjectFile (*rig.editor, file);

    const auto bulkEnd = bytesOf (protocol::bulkSendEnd());
    ASSERT_TRUE (rig.organ->waitForMessages ([&] (const std::vector<emulator::Message>& received)
                                             { return ! received.empty() && received.back().bytes == bulkEnd; },
                                             8000));
    std::vector<int> floatIndexes;
    int otherMessages = 0;
    for (const auto& m : rig.organ->getReceived())
    {
        if (isIdentityRequest (m))   // the watchdog's pings
            continue;
        if (m.bytes.size() == 12 && m.bytes[3] == 0x01)
            floatIndexes.push_back (m.bytes[4] | (m.bytes[5] << 7));
        else
            ++otherMessages;
    }
    std::vector<int> first85 (emulator::firstByteParameter);
    std::iota (first85.begin(), first85.end(), 0);
    EXPECT_EQ (floatIndexes, first85) << "parameters 0..84 in float form, in their order";
    EXPECT_EQ (otherMessages, 2) << "the bulk send's begin and end, nothing in byte form";

    for (int i = 0; i < emulator::numParameters; ++i)
        EXPECT_EQ (rig.organ->getParameter (i), i < emulator::firstByteParameter ? project.getValue (i) : (float) (i % 3))
            << "organ parameter " << i;
    EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
}

TEST (ProjectFileEndToEnd, ProjectOpenedWhileNotConnectedBringsItsModelAndRevision)
{
    Rig rig;
    rig.startEditor();
    auto& image = Access::projectImage (*rig.editor);
    image.modelIndex = 3;
    Access::updateAllControls (*rig.editor);
    ASSERT_FALSE (Access::sectionButton (*rig.editor, additionalFunctionsSection).isVisible());
    const ProjectImage factory;

    ProjectImage project;
    const auto file = writeProject (rig.folder.get().getChildFile ("Rise.HoP"), 0, 1, project);
    Access::openProjectFile (*rig.editor, file);

    // The current model had no Additional Functions, so their values stay; then model 0 shows them.
    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (image.getValue (i), i < firstByteParameter ? project.getValue (i) : factory.getValue (i)) << "parameter " << i;
    EXPECT_EQ (image.modelIndex.load(), 0);
    EXPECT_EQ (image.hardwareRevision.load(), 1);
    EXPECT_TRUE (Access::sectionButton (*rig.editor, additionalFunctionsSection).isVisible());
    EXPECT_EQ (Access::messageBox (*rig.editor), nullptr);
    EXPECT_FALSE (Access::isTimerRunning (*rig.editor, bulkSendTimer));
    EXPECT_EQ (Access::lastDirectory (*rig.editor), rig.folder.get());

    // SAVE writes the image as it now stands.
    const auto saved = rig.folder.get().getChildFile ("Saved.hop");
    Access::saveProjectFile (*rig.editor, saved);
    juce::MemoryBlock data;
    ASSERT_TRUE (saved.loadFileAsData (data));
    const auto* d = static_cast<const uint8_t*> (data.getData());
    EXPECT_EQ (std::vector<uint8_t> (d, d + data.getSize()), imageBytes (image));
}

TEST (ProjectFileEndToEnd, RefusedFilesLeaveTheParametersAlone)
{
    auto whole = imageBytes (ProjectImage());
    whole[20] = 0x11;   // parameter 0 differs from the editor's
    auto wrongMagic = whole;
    wrongMagic[0] = 0x64;
    const std::vector<uint8_t> shortFile (whole.begin(), whole.begin() + 100);

    struct Case
    {
        const char* name;
        std::vector<uint8_t> content;
        juce::String text;
        bool movesLastDirectory;
    };
    const Case cases[] = {
        { "Set.txt", whole, notValidText, false },
        { "Set", whole, notValidText, false },
        { "Bad.hop", wrongMagic, corruptedText, true },
        { "Short.HOP", shortFile, corruptedText, true },
        { "Empty.hop", {}, corruptedText, true },
    };
    for (const auto& c : cases)
    {
        Rig rig;
        rig.startEditor();
        const auto folder = rig.folder.get().getChildFile ("projects");
        ASSERT_TRUE (folder.createDirectory());
        const auto file = folder.getChildFile (c.name);
        ASSERT_TRUE (file.replaceWithData (c.content.data(), c.content.size()));
        const auto startFolder = Access::lastDirectory (*rig.editor);
        const auto before = imageBytes (Access::projectImage (*rig.editor));

        Access::openProjectFile (*rig.editor, file);   // returns once its box is answered

        EXPECT_TRUE (rig.boxes->sawBox (c.text)) << c.name;
        EXPECT_EQ (imageBytes (Access::projectImage (*rig.editor)), before) << c.name;
        EXPECT_EQ (Access::lastDirectory (*rig.editor), c.movesLastDirectory ? folder : startFolder) << c.name;
        EXPECT_FALSE (Access::isTimerRunning (*rig.editor, bulkSendTimer)) << c.name;
    }
}

TEST (ProjectFileEndToEnd, SaveThatCannotWriteSaysSoAndKeepsTheOldFile)
{
    const juce::String notSavedText ("  The project file could not be saved.  ");

    // /proc takes no new file (also for root), so its files stand for a full or read-only disk.
    struct Case
    {
        const char* what;
        std::function<juce::File (const juce::File& folder)> target;
        bool saved;
    };
    const Case cases[] = {
        { "an old file in a folder that refuses the write", [] (const juce::File&)
          { return juce::File ("/proc/version"); },
          false },
        { "a folder that is a file", [] (const juce::File& folder)
          {
              const auto plain = folder.getChildFile ("plain");
              plain.replaceWithText ("not a folder");
              return plain.getChildFile ("Set.hop");
          },
          false },
        { "an old file in a plain folder", [] (const juce::File& folder)
          {
              const auto old = folder.getChildFile ("Set.hop");
              old.replaceWithText ("old project");
              return old;
          },
          true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        Rig rig;
        rig.startEditor();
        const auto target = c.target (rig.folder.get());
        const auto contentOf = [&target]
        { return readRegularFile (target, 65536); };
        const auto before = contentOf();

        Access::saveProjectFile (*rig.editor, target);   // returns once its box is answered

        EXPECT_EQ (rig.boxes->sawBox (notSavedText), ! c.saved);
        const auto after = contentOf();
        ASSERT_TRUE (after.has_value() || ! before.has_value());
        if (c.saved)
        {
            EXPECT_EQ (std::vector<uint8_t> ((const uint8_t*) after->begin(), (const uint8_t*) after->end()),
                       imageBytes (Access::projectImage (*rig.editor)));
        }
        else
        {
            EXPECT_TRUE (after == before) << "the old file changed";
        }
    }
}
