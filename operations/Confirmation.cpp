#include "Confirmation.h"

#include "OperationHost.h"

bool isConfirmation(const QString& answer) {
    return answer == kConfirmationPhrase;
}

bool confirmTyped(OperationHost& host, const QString& prompt, const QString& title) {
    return isConfirmation(host.askTypedConfirmation(prompt, title));
}
