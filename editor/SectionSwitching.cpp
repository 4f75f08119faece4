// One section page at a time: the section and sub-page buttons, and showing a page.
#include "editor/MainContentComponent.h"

#include "resources/OrganTables.h"

using orvane::sectionRows;

void MainContentComponent::sectionOrSubPageClicked (juce::Button* button)
{
    for (int s = 0; s < orvane::numSections; ++s)
    {
        if (button != &sectionButtons[(size_t) s])
            continue;

        // The radio group reports the button it switches off first, so the old page is
        // hidden before the new one shows.
        const bool on = button->getToggleState();
        if (on)
            currentSection = s;
        showSection (s, on);
        return;
    }

    const auto buttons = subPageButtonList();
    for (size_t b = 0; b < buttons.size(); ++b)
    {
        if (button != buttons[b])
            continue;

        // The button that the radio group switches off takes no action.
        if (! button->getToggleState())
            return;

        const auto& info = orvane::subPageButtons[b];
        showSection (info.section, false);   // still on the old sub-page: hides its rows
        *subPageField (info.section) = info.code;
        showSection (info.section, true);
        return;
    }
}

void MainContentComponent::showSection (int section, bool visible)
{
    if (! juce::isPositiveAndBelow (section, orvane::numSections))
        return;

    const auto* field = subPageField (section);
    const int code = field != nullptr ? *field : -1;
    const bool model2 = projectImage.modelIndex.load() == orvane::modelWithFewerFunctions;

    const auto buttons = subPageButtonList();
    for (size_t b = 0; b < buttons.size(); ++b)
        if (orvane::subPageButtons[b].section == section)
            buttons[b]->setVisible (visible);

    auto& header = headerOf (section);
    header.sectionIcon.setVisible (visible);
    header.sectionTitle.setVisible (visible);

    // The page's last control gets its visibility last, then the keyboard focus.
    juce::Component* lastControl = nullptr;
    bool lastControlVisible = false;

    for (int r = 0; r < orvane::numSectionRows; ++r)
    {
        const auto& row = sectionRows[(size_t) r];
        if (row.section != section || ! orvane::rowStandsOn (row.pages, code))
            continue;

        const bool rowVisible = visible && ! (model2 && row.hiddenOnModel2);
        auto* label = rowWidgets[(size_t) r].label;
        if (row.model2Caption != nullptr)
            label->setText (model2 ? row.model2Caption : row.caption, juce::dontSendNotification);
        label->setVisible (rowVisible);

        if (auto* control = controlOfRow (r, orvane::visibleColumn (row, code)))
        {
            if (lastControl != nullptr)
                lastControl->setVisible (lastControlVisible);
            lastControl = control;
            lastControlVisible = rowVisible;
        }
    }

    if (lastControl == nullptr)
        return;

    lastControl->setVisible (lastControlVisible);
    if (lastControl->isShowing())
        lastControl->grabKeyboardFocus();
}
