#include "FakeHost.h"

#include "common/Error.h"
#include "common/OperatorTexts.h"

FakeHost::FakeHost() {
    conn.open(QStringLiteral("Data Source=fake"));
    helper.open(QStringLiteral("Data Source=fake"));
}

bool FakeHost::askYesNo(const QString& title, const QString& question) {
    questionsAsked.append({title, question});
    return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

void FakeHost::select(const QString& name) {
    selectedIndex = static_cast<int>(entries.indexOf(name));
    if (selectedIndex < 0) {
        entries.append(name);
        selectedIndex = static_cast<int>(entries.size() - 1);
    }
}

void FakeHost::click(const std::function<void(OperationHost&)>& handler) {
    try {
        handler(*this);
    } catch (const Error& error) {
        showStatus(error.description());
    }
}

void FakeHost::showStatus(const QString& text) {
    status = text;
    statusHistory.append(text);
}

QString FakeHost::selectedDatabaseText() const {
    return selectedIndex < 0 ? QString() : entries.at(selectedIndex);
}

QString FakeHost::askTypedConfirmation(const QString& prompt, const QString& title) {
    confirmationsAsked.append({prompt, title});
    return typedAnswer;
}

ChosenFile FakeHost::chooseFile(const QString& filter, FileDialogMode mode) {
    dialogsShown.append({filter, mode});
    const std::optional<ChosenFile> choice =
        fileChoices.isEmpty() ? std::nullopt : fileChoices.takeFirst();
    if (!choice) {
        throw Error(texts::kFileDialogCancelled);
    }
    return *choice;
}

void FakeHost::clearEntries() {
    entries.clear();
    selectedIndex = -1;
}
