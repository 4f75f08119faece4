// The widgets of the section rows: which member serves which row, and how to reach it.
#include "editor/MainContentComponent.h"

using orvane::RowKind;
using orvane::sectionRows;

namespace
{
template <typename PoolWidget, typename Widget, size_t size>
void appendAll (std::vector<PoolWidget*>& pool, std::array<Widget, size>& widgets)
{
    for (auto& widget : widgets)
        pool.push_back (&widget);
}
}   // namespace

void MainContentComponent::bindRowWidgets()
{
    static_assert (std::tuple_size<decltype (rotaryCommonSliders)>::value
                       + 2 * std::tuple_size<decltype (rotaryClassicRockSliders)>::value
                   == orvane::pageCounts[orvane::rotarySection].sliders);

    // The member arrays in section order, each in the order of its page's rows; the sizes
    // match the rows (checked where the rows are defined), so every pool is used up exactly.
    std::vector<juce::Label*> labels;
    std::vector<juce::Slider*> sliders;
    std::vector<CustomComboBox*> comboBoxes;

    appendAll (labels, toneGeneratorLabels);
    appendAll (sliders, toneGeneratorSliders);
    appendAll (labels, vibratoChorusLabels);
    appendAll (sliders, vibratoChorusSliders);
    sliders.push_back (&chorusLevelSlider);
    appendAll (labels, overdriveLabels);
    appendAll (comboBoxes, overdriveModelComboBoxes);
    appendAll (labels, rotaryLabels);
    appendAll (sliders, rotaryCommonSliders);
    for (auto& pair : rotaryClassicRockSliders)
        appendAll (sliders, pair);
    appendAll (labels, reverbLabels);
    appendAll (sliders, reverbSliders);
    appendAll (labels, additionalFunctionsLabels);
    appendAll (comboBoxes, additionalFunctionsComboBoxes);

    size_t nextLabel = 0, nextSlider = 0, nextComboBox = 0;
    for (size_t r = 0; r < sectionRows.size(); ++r)
    {
        const auto& row = sectionRows[r];
        auto& widgets = rowWidgets[r];
        widgets = {};
        widgets.label = labels.at (nextLabel++);

        for (size_t column = 0; column < (size_t) row.columns(); ++column)
        {
            if (row.kind == RowKind::slider)
                widgets.sliders[column] = sliders.at (nextSlider++);
            else if (row.kind == RowKind::selector)
                widgets.comboBoxes[column] = comboBoxes.at (nextComboBox++);
        }
    }

    jassert (nextLabel == labels.size() && nextSlider == sliders.size() && nextComboBox == comboBoxes.size());
}

juce::Slider* MainContentComponent::sliderForRow (int row, int column) const noexcept
{
    if (! juce::isPositiveAndBelow (row, orvane::numSectionRows) || ! juce::isPositiveAndBelow (column, 2))
        return nullptr;
    return rowWidgets[(size_t) row].sliders[(size_t) column];
}

CustomComboBox* MainContentComponent::comboBoxForRow (int row, int column) const noexcept
{
    if (! juce::isPositiveAndBelow (row, orvane::numSectionRows) || ! juce::isPositiveAndBelow (column, 2))
        return nullptr;
    return rowWidgets[(size_t) row].comboBoxes[(size_t) column];
}

juce::Component* MainContentComponent::controlOfRow (int row, int column) const noexcept
{
    if (auto* slider = sliderForRow (row, column))
        return slider;
    return comboBoxForRow (row, column);
}

juce::Array<juce::Slider*> MainContentComponent::findSlidersForParameter (int parameterIndex) const
{
    juce::Array<juce::Slider*> found;
    for (int r = 0; r < orvane::numSectionRows; ++r)
        for (int column = 0; column < sectionRows[(size_t) r].columns(); ++column)
            if (auto* slider = sliderForRow (r, column); slider != nullptr && sectionRows[(size_t) r].parameterOfColumn (column) == parameterIndex)
                found.add (slider);
    return found;
}

CustomComboBox* MainContentComponent::findComboBoxForParameter (int parameterIndex) const
{
    for (int r = 0; r < orvane::numSectionRows; ++r)
        for (int column = 0; column < sectionRows[(size_t) r].columns(); ++column)
            if (auto* comboBox = comboBoxForRow (r, column); comboBox != nullptr && sectionRows[(size_t) r].parameterOfColumn (column) == parameterIndex)
                return comboBox;
    return nullptr;
}

MainContentComponent::SectionHeader& MainContentComponent::headerOf (int section) noexcept
{
    SectionHeader* const headers[] = { &toneGeneratorHeader, &vibratoChorusHeader, &overdriveHeader,
                                       &rotaryHeader, &reverbHeader, &additionalFunctionsHeader };
    static_assert (std::size (headers) == orvane::numSections);
    jassert (juce::isPositiveAndBelow (section, orvane::numSections));
    return *headers[juce::jlimit (0, orvane::numSections - 1, section)];
}

std::array<juce::ImageButton*, orvane::numSubPageButtons> MainContentComponent::subPageButtonList() noexcept
{
    // In the order of orvane::subPageButtons.
    return { &mainButton, &drawbarButton, &overdriveClassicButton, &overdriveRockButton,
             &rotaryCommonButton, &rotaryClassicButton, &rotaryRockButton };
}

int32_t* MainContentComponent::subPageField (int section) noexcept
{
    switch (section)
    {
        case orvane::toneGeneratorSection: return &toneGeneratorSubPage;
        case orvane::overdriveSection: return &overdriveSubPage;
        case orvane::rotarySection: return &rotarySubPage;
        default: return nullptr;
    }
}
