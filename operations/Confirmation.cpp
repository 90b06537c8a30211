#include "Confirmation.h"

#include "OperationHost.h"
#include "common/OperatorTexts.h"

bool isConfirmation(const QString& answer) {
    return answer == texts::kConfirmationPhrase;
}

bool confirmTyped(OperationHost& host, const QString& prompt, const QString& title) {
    return isConfirmation(host.askTypedConfirmation(prompt, title));
}
