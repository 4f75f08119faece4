// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

// Until their actions are built, these buttons refuse the click and switch back.
