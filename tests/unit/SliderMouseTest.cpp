// A parameter slider under a real mouse: presses and releases go through the window's peer, so
// the framework counts the clicks, routes them to the bar's value box or its text editor, and
// the slider sends what the organ would get.
#include "organ/OrganProtocol.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

using Access = MainContentComponentTestAccess;

namespace
{
class SliderMouseTest : public ::testing::Test
{
protected:
    MainContentComponent editor;
    std::shared_ptr<orvane::test::SentMessages> record = Access::recordOutput (editor);
    juce::DocumentWindow window { "Sliders", juce::Colours::white, 0, true };
    juce::int64 clock = juce::Time::currentTimeMillis();

    void SetUp() override { orvane::test::showFocused (window, editor); }

    void TearDown() override { window.clearContentComponent(); }

    /** The point `x` pixels into the bar, half-way down, in the window's peer. */
    juce::Point<float> onBar (juce::Slider& slider, int x)
    {
        const auto global = slider.localPointToGlobal (juce::Point<int> (x, slider.getHeight() / 2));
        return window.getPeer()->globalToLocal (global.toFloat());
    }

    void mouse (juce::Point<float> at, bool down, int msLater)
    {
        clock += msLater;
        window.getPeer()->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at,
                                            down ? juce::ModifierKeys::leftButtonModifier : juce::ModifierKeys(),
                                            juce::MouseInputSource::defaultPressure,
                                            juce::MouseInputSource::defaultOrientation, clock);
    }

    void click (juce::Point<float> at, int msLater)
    {
        mouse (at, true, msLater);
        mouse (at, false, 30);
    }

    void doubleClick (juce::Point<float> at)
    {
        click (at, 500);   // well apart from any earlier click
        click (at, 90);
    }

    void drag (juce::Point<float> from, juce::Point<float> to)
    {
        mouse (from, true, 500);
        for (int step = 1; step <= 4; ++step)
            mouse (from + (to - from) * (float) step / 4.0f, true, 40);
        mouse (to, false, 30);
    }

    /** The parameter numbers of the messages sent since the last call. */
    std::vector<int> takeSentParameters()
    {
        std::vector<int> numbers;
        for (const auto& bytes : record->get())
            numbers.push_back (orvane::protocol::decodeOrganMessage (bytes.data(), (int) bytes.size()).number);
        record->clear();
        return numbers;
    }

    static juce::TextEditor* editorOf (juce::Slider& slider)
    {
        for (auto* child : slider.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child))
                return label->getCurrentTextEditor();
        return nullptr;
    }

    void show (int section)
    {
        // Handled before the test goes on: a late click would ask for the focus again.
        orvane::test::click (Access::sectionButton (editor, section));
        ASSERT_EQ (Access::currentSection (editor), section);
    }
};
}   // namespace

TEST_F (SliderMouseTest, ADoubleClickReturnsTheBarToItsValueAndSendsItOnce)
{
    struct Case
    {
        const char* what;
        int section;
        juce::Slider* slider;
        double movedTo, returnsTo;
        std::vector<int> sent;
    };
    const Case cases[] = {
        { "Pedals Level", 0, &Access::slider (editor, 4), 7.5, 6.0, { 4 } },
        { "Chorus Level", 1, &Access::chorusLevelSlider (editor), 3.0, 0.0, { 31, 34, 39 } },
        { "Spring Damp, snapped to its step", 4, &Access::slider (editor, 27), 9.0, 5.5, { 27 } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        show (c.section);
        c.slider->setValue (c.movedTo, juce::dontSendNotification);
        record->clear();

        doubleClick (onBar (*c.slider, 200));
        EXPECT_NEAR (c.slider->getValue(), c.returnsTo, 1e-9);
        EXPECT_EQ (takeSentParameters(), c.sent);
        EXPECT_EQ (editorOf (*c.slider), nullptr) << "the value box is left closed";
    }
}

TEST_F (SliderMouseTest, ASingleClickOpensTheValueForTypingAndReturnSendsIt)
{
    show (0);
    auto& pedals = Access::slider (editor, 4);
    pedals.setValue (7.5, juce::dontSendNotification);

    click (onBar (pedals, 200), 500);
    auto* text = editorOf (pedals);
    ASSERT_NE (text, nullptr);
    EXPECT_EQ (pedals.getValue(), 7.5) << "a click without a drag moves nothing";
    EXPECT_TRUE (takeSentParameters().empty());

    text->setText ("-3.3", true);
    window.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey));
    EXPECT_TRUE (orvane::test::runMessageLoopUntil ([&]
                                                    { return editorOf (pedals) == nullptr; },
                                                    2000))
        << "the text editor hands Return on through a posted message";
    EXPECT_NEAR (pedals.getValue(), -3.3, 1e-9);
    EXPECT_EQ (takeSentParameters(), std::vector<int> { 4 });
}

TEST_F (SliderMouseTest, ADoubleClickInsideAnOpenValueEditsTheTextOnly)
{
    show (0);
    auto& pedals = Access::slider (editor, 4);
    pedals.setValue (7.5, juce::dontSendNotification);
    click (onBar (pedals, 200), 500);
    ASSERT_NE (editorOf (pedals), nullptr);

    doubleClick (onBar (pedals, 250));
    EXPECT_NE (editorOf (pedals), nullptr);
    EXPECT_EQ (pedals.getValue(), 7.5);
    EXPECT_TRUE (takeSentParameters().empty());
}

TEST_F (SliderMouseTest, ADragMovesTheBarAndOpensNoEditor)
{
    show (0);
    auto& pedals = Access::slider (editor, 4);
    pedals.setValue (0.0, juce::dontSendNotification);

    drag (onBar (pedals, 200), onBar (pedals, 400));
    EXPECT_GT (pedals.getValue(), 0.0);
    EXPECT_EQ (editorOf (pedals), nullptr);
    const auto sent = takeSentParameters();
    ASSERT_FALSE (sent.empty());
    for (int number : sent)
        EXPECT_EQ (number, 4);
}
