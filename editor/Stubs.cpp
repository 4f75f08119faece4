// Handlers whose behaviour is still being built; each moves to its own file when done.
#include "editor/MainContentComponent.h"

// Until their actions are built, these buttons refuse the click and switch back.
void MainContentComponent::storeButtonClicked() { switchButtonOff (storeButton); }
void MainContentComponent::resetButtonClicked() { switchButtonOff (resetButton); }
void MainContentComponent::storeTimeout() {}
void MainContentComponent::resetTimeout() {}
void MainContentComponent::storeOrResetConfirmed (PendingOperation) {}
