#include "widgets/CustomComboBox.h"

CustomComboBox::CustomComboBox() : lookAndFeel (new CBLookAndFeel())
{
    setLookAndFeel (lookAndFeel);
}

CustomComboBox::~CustomComboBox()
{
    setLookAndFeel (nullptr);
    delete lookAndFeel;
}
