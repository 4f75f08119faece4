#include "app/OrvaneEditorApplication.h"

START_JUCE_APPLICATION (OrvaneEditorApplication)
